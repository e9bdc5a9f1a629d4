#include "support/journey/ReaderButton.h"

#include "support/WaitUntil.h"
#include "support/journey/Program.h"

#include <QProcess>

namespace quorvane::journey {

ReaderButtonCall readerButton(const Program& program, const QString& pattern, const QString& what,
                              ReaderFinds finds) {
    ReaderButtonCall call;
    QStringList arguments{QStringLiteral(QUORVANE_PRESS_BUTTON), QString::number(program.processId()),
                          pattern, what};
    if (finds == ReaderFinds::kept) arguments << QStringLiteral("kept");
    test::waitUntil(
        [&] {
            QProcess helper;
            helper.setProcessEnvironment(program.environment());
            helper.start(QStringLiteral("/usr/bin/python3"), arguments);
            const bool returned = helper.waitForFinished(test::bound(20000));
            if (!returned) helper.kill();
            helper.waitForFinished();
            call.exitCode = returned && helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
            call.output = QString::fromUtf8(helper.readAllStandardOutput());
            // 2 and 3: the program is not on the bus yet, or the button does not show yet.
            return call.exitCode != 2 && call.exitCode != 3;
        },
        30000);
    return call;
}

} // namespace quorvane::journey
