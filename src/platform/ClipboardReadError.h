#pragma once

#include <QByteArray>
#include <cstdint>

namespace quorvane {

// Why the clipboard gave no bytes in a format.
struct ClipboardReadError {
    enum class Kind {
        // Nobody holds the clipboard in that format, or its holder would not give it.
        unavailable,
        // Longer than the reader would take. `length` is at least what the holder has, as it
        // announced or as far as it was counted; `head` holds the first bytes that arrived (up to
        // 64 KiB), perhaps none, so that a message can say what the data claims to be.
        tooLong,
        // The holder went silent before the end.
        stopped,
    };

    Kind kind = Kind::unavailable;
    std::int64_t length = 0;
    QByteArray head{};

    bool operator==(const ClipboardReadError&) const = default;
};

} // namespace quorvane
