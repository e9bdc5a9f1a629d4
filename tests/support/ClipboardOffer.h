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

    bool ready() {
        return waitUntil([this] {
                   process_.waitForReadyRead(10);
                   return process_.peek(6) == "ready\n" || process_.state() == QProcess::NotRunning;
               }) &&
               process_.state() == QProcess::Running;
    }

private:
    QProcess process_;
};

} // namespace quorvane::test
