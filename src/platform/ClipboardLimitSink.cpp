#include "platform/ClipboardLimitSink.h"

namespace quorvane {
namespace {

constexpr std::int64_t headLength = ClipboardLimit::headLength;

// Every byte as it came, in room made once for the most that will be taken: growing would copy,
// and hold the bytes twice meanwhile.
class AllBytes : public ClipboardLimit::Keeper {
public:
    explicit AllBytes(std::int64_t most) { bytes_.reserve(static_cast<qsizetype>(most)); }
    bool append(QByteArrayView piece) override {
        bytes_.append(piece);
        return true;
    }
    QByteArray take() override { return std::move(bytes_); }

private:
    QByteArray bytes_;
};

} // namespace

ClipboardLimitSink::ClipboardLimitSink(ClipboardLimit limit)
    : limit_(std::move(limit)), taken_(limit_.maxBytes) {}

SelectionSink::Next ClipboardLimitSink::expect(std::int64_t length, bool incremental) {
    if (incremental)
        announced_ = length;
    else
        whole_ = length;
    return length > limit_.maxBytes ? Next::tooLong : Next::more;
}

SelectionSink::Next ClipboardLimitSink::take(QByteArrayView piece) {
    received_ += piece.size();
    if (received_ > taken_) return Next::tooLong;
    if (!judged_) {
        // Only the first bytes wait to be judged: a long piece is not copied whole meanwhile.
        const qsizetype first = std::min<qsizetype>(piece.size(), headLength - head_.size());
        head_.append(piece.first(first));
        piece = piece.sliced(first);
        if (head_.size() < headLength && received_ != whole_) return Next::more;
        if (judge() == Next::tooLong) return Next::tooLong;
        if (piece.isEmpty()) return Next::more;
    }
    return keeper_->append(piece) ? Next::more : Next::tooLong;
}

SelectionSink::Next ClipboardLimitSink::end() {
    return judged_ ? Next::more : judge();
}

std::int64_t ClipboardLimitSink::room() const {
    return std::max<std::int64_t>(taken_ - received_, 0);
}

SelectionSink::Next ClipboardLimitSink::judge() {
    judged_ = true;
    const QByteArrayView first = QByteArrayView(head_).first(std::min<qsizetype>(head_.size(), headLength));
    taken_ = limit_.given(first);
    if (received_ > taken_ || announced_ > taken_ || whole_ > taken_) return Next::tooLong;
    const std::int64_t most = whole_ >= 0 ? whole_ : std::min(taken_, limit_.maxBytes);
    if (limit_.keeper) keeper_ = limit_.keeper(head_, most);
    if (!keeper_) keeper_ = std::make_unique<AllBytes>(most);
    const bool usable = keeper_->append(head_);
    head_ = QByteArray();
    return usable ? Next::more : Next::tooLong;
}

QByteArray ClipboardLimitSink::takeBytes() {
    if (!judged_ && judge() == Next::tooLong) return {};
    return keeper_ ? keeper_->take() : QByteArray();
}

} // namespace quorvane
