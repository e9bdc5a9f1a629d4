#pragma once

#include "platform/ClipboardLimit.h"
#include "platform/SelectionSink.h"

#include <QByteArray>
#include <memory>

namespace quorvane {

// Takes an offer no further than a ClipboardLimit allows, keeping its bytes (or what the limit's
// keeper keeps of them).
class ClipboardLimitSink : public SelectionSink {
public:
    explicit ClipboardLimitSink(ClipboardLimit limit);

    Next expect(std::int64_t length, bool incremental) override;
    Next take(QByteArrayView piece) override;
    Next end() override;
    std::int64_t room() const override;

    // What was kept of the offer.
    QByteArray takeBytes();

private:
    // The first bytes decide how much of the rest is taken.
    Next judge();

    ClipboardLimit limit_;
    std::int64_t taken_;
    std::int64_t received_ = 0;
    std::int64_t announced_ = 0;
    // The whole length, when the holder sends it at once.
    std::int64_t whole_ = -1;
    bool judged_ = false;
    // The first bytes, until they are judged.
    QByteArray head_;
    std::unique_ptr<ClipboardLimit::Keeper> keeper_;
    QByteArray bytes_;
};

} // namespace quorvane
