#include "support/PasteElsewhere.h"

#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <gtest/gtest.h>

namespace quorvane::test {

QByteArray pasteElsewhere(const QString& target) {
    QProcess xclip; // on this process's display
    xclip.start("xclip", {"-selection", "clipboard", "-t", target, "-o"});
    const QDeadlineTimer deadline(bound(20'000));
    while (!xclip.waitForFinished(5) && !deadline.hasExpired())
        QCoreApplication::processEvents();
    EXPECT_EQ(xclip.state(), QProcess::NotRunning) << "xclip did not finish";
    return xclip.readAllStandardOutput();
}

} // namespace quorvane::test
