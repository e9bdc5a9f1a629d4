#include "support/Xdotool.h"

#include "support/XvfbServer.h"

#include <QStringList>

namespace quorvane::test {

int xdotool(const QString& arguments, QString* output) {
    return x11Server().run(QStringLiteral("xdotool"), arguments.split(QLatin1Char(' ')), output);
}

} // namespace quorvane::test
