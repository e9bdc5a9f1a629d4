#include "platform/LineSink.h"

namespace quorvane {

LineSink::LineSink(std::int64_t maxBytes, std::function<bool(QByteArrayView line)> line)
    : maxBytes_(maxBytes), line_(std::move(line)) {}

SelectionSink::Next LineSink::expect(std::int64_t, bool) {
    // However long the whole, the lines a reader needs may come first: it is read as far as the
    // bound, and no further.
    return Next::more;
}

SelectionSink::Next LineSink::take(QByteArrayView piece) {
    received_ += piece.size();
    if (received_ > maxBytes_) return Next::tooLong;
    qsizetype from = 0;
    while (from < piece.size()) {
        const qsizetype newline = piece.indexOf('\n', from);
        const QByteArrayView part = piece.sliced(from, (newline < 0 ? piece.size() : newline) - from);
        from = newline < 0 ? piece.size() : newline + 1;
        if (!overlong_ && partial_.size() + part.size() > longestLine) {
            overlong_ = true;
            partial_.clear();
        }
        if (newline < 0) {
            if (!overlong_) partial_.append(part);
            break;
        }
        bool more = true;
        if (!overlong_) {
            if (partial_.isEmpty()) {
                more = line_(part);
            } else {
                partial_.append(part);
                more = line_(partial_);
            }
        }
        partial_.clear();
        overlong_ = false;
        if (!more) return Next::enough;
    }
    return Next::more;
}

SelectionSink::Next LineSink::end() {
    if (!overlong_ && !partial_.isEmpty() && !line_(std::exchange(partial_, QByteArray())))
        return Next::enough;
    return Next::more;
}

std::int64_t LineSink::room() const {
    return std::max<std::int64_t>(maxBytes_ - received_, 0);
}

} // namespace quorvane
