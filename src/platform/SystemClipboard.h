#pragma once

#include "platform/Clipboard.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class QClipboard;

namespace quorvane {

class SerialWorkQueue;
class ClipboardOwnerFilter;

// The clipboard selection of the X session (not the primary selection). Our own contents go
// through Qt; another program's are read through the selection transfer, never by Qt, whose
// clipboard waits for the holder on the GUI thread.
class SystemClipboard : public Clipboard {
    Q_OBJECT

public:
    // A holder that does not tell its formats within `answerWithin` counts as offering none, until
    // the contents change.
    explicit SystemClipboard(QClipboard& clipboard,
                             std::chrono::milliseconds answerWithin = std::chrono::milliseconds(1000));
    ~SystemClipboard() override;

    bool write(std::unique_ptr<QMimeData> data) override;
    const QMimeData* read() const override;
    // Counts Qt's notices of other programs' writes (XFixes), our own writes, and a change of the
    // selection's owner that a round trip to the server finds before Qt has delivered its notice.
    std::uint64_t changeCount() override;
    std::unique_ptr<ClipboardOffer> offer() const override;
    // Another program's formats are asked for once for each change of the contents, on a worker,
    // one question at a time: a question about contents that changed since is given up (before it
    // is sent, if it was not yet), and what the clipboard holds then is asked about once it ended.
    QStringList offeredFormats() override;

private:
    // Contents are told apart by their holder and the time it took the clipboard: notices that
    // change neither (an earlier holder's client closing) are nothing new to ask about.
    struct Contents {
        std::uint32_t owner = 0;
        std::uint32_t time = 0;
        bool operator==(const Contents&) const = default;
    };

    // Whether the contents are in this process (ours, or there is no X server).
    bool heldHere() const;
    Contents contents() const;
    // Another program's contents came, or the holder went: counted and asked about once, whether
    // Qt or the server's notice told it first.
    void changedElsewhere();
    void ask(Contents contents);
    void answered(bool unwanted, const Result<QStringList, ClipboardReadError>& formats);

    QClipboard& clipboard_;
    std::chrono::milliseconds answerWithin_;
    QMetaObject::Connection changed_;
    std::uint64_t count_ = 0;
    // The owner window the last round trip found; 0 without an X server.
    std::uint32_t owner_ = 0;
    // The contents whose formats are being asked for, and those whose formats are known.
    std::optional<Contents> asking_;
    std::optional<Contents> known_;
    std::optional<Contents> lastChange_;
    // Set once the question underway is wanted no longer: the contents changed, or this ends.
    std::shared_ptr<std::atomic<bool>> unwanted_;
    QStringList formats_;
    std::unique_ptr<ClipboardOwnerFilter> owners_;
    std::unique_ptr<SerialWorkQueue> worker_;
};

} // namespace quorvane
