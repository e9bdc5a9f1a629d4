#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <functional>
#include <memory>

namespace quorvane {

// How much of a clipboard offer a reader takes, and what it keeps of it.
struct ClipboardLimit {
    // Keeps what the reader needs of the bytes taken, as they come.
    class Keeper {
    public:
        virtual ~Keeper() = default;
        // False once the bytes so far can be of no use: the reader takes no more, and the read
        // fails as too long.
        virtual bool append(QByteArrayView piece) = 0;
        virtual QByteArray take() = 0;
    };

    // The first bytes shown to `afterHead`, and kept for a refusal.
    static constexpr qsizetype headLength = 65'536;

    // Never more than this.
    std::int64_t maxBytes = 0;
    // Once the first bytes came (`headLength`, or the whole offer when shorter): how much to take
    // of an offer that starts so, when they already tell that the rest is not needed. None, or
    // more than `maxBytes`: `maxBytes`.
    std::function<std::int64_t(QByteArrayView head)> afterHead{};
    // Once the first bytes came: what keeps the offer, those bytes included, given the most bytes
    // that will be taken (the whole length, when the holder told it). None, or a null one, keeps
    // every byte.
    std::function<std::unique_ptr<Keeper>(QByteArrayView head, std::int64_t most)> keeper{};

    // What to take of an offer that starts with `head`.
    std::int64_t given(QByteArrayView head) const {
        return afterHead ? std::min(maxBytes, afterHead(head)) : maxBytes;
    }
};

} // namespace quorvane
