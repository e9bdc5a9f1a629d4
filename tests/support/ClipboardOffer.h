#pragma once

// Another program holding the clipboard: the selection-offer helper (a made-up offer of any
// length, announced and sent as asked) or xclip (a file's bytes), ended with the test.

#include "support/WaitUntil.h"

#include <QProcess>
#include <QStringList>

namespace quorvane::test {

class ClipboardOffer {
public:
    // The helper with its arguments (see SelectionOffer.cpp); holds the clipboard once
    // ready() says so.
    explicit ClipboardOffer(const QStringList& arguments) {
        process_.start(QStringLiteral(QUORVANE_SELECTION_OFFER), arguments);
    }
    ~ClipboardOffer() {
        process_.kill();
        process_.waitForFinished();
    }
    ClipboardOffer(const ClipboardOffer&) = delete;
    ClipboardOffer& operator=(const ClipboardOffer&) = delete;

    // It reads its file first (hundreds of megabytes for some tests), which a busy machine makes
    // slow: the bound is generous, as the answer ends the wait.
    bool ready() {
        return waitUntil(
                   [this] {
                       process_.waitForReadyRead(10);
                       return process_.peek(6) == "ready\n" || process_.state() == QProcess::NotRunning;
                   },
                   30000) &&
               process_.state() == QProcess::Running;
    }

    // What the helper printed so far ("ready", "request <format>", "status accept", …).
    QString output() {
        process_.waitForReadyRead(10);
        output_ += QString::fromUtf8(process_.readAllStandardOutput());
        return output_;
    }
    // Whether the helper printed `line` by what the event loop has read so far; never waits.
    bool saidNow(const QString& line) {
        output_ += QString::fromUtf8(process_.readAllStandardOutput());
        return output_.split(QLatin1Char('\n')).contains(line);
    }
    // Once the helper printed `line`.
    bool says(const QString& line) {
        return waitUntil([&] { return output().split(QLatin1Char('\n')).contains(line); });
    }
    // Once the helper printed `line`, leaving this process's events waiting meanwhile: what the
    // server sends us until then is handled afterwards, in the order it came.
    bool saysWhileEventsWait(const QString& line, int milliseconds = 5000) {
        QElapsedTimer waited;
        waited.start();
        while (!output().split(QLatin1Char('\n')).contains(line))
            if (waited.elapsed() > bound(milliseconds) || process_.state() == QProcess::NotRunning)
                return false;
        return true;
    }

private:
    QProcess process_;
    QString output_;
};

} // namespace quorvane::test
