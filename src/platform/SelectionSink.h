#pragma once

#include <QByteArrayView>
#include <cstdint>

namespace quorvane {

// Takes another program's offer piece by piece as it arrives, and says after each piece whether
// to go on: a reader keeps only what its use needs, and stops as soon as it has it or knows that
// it will refuse the rest.
class SelectionSink {
public:
    enum class Next {
        more,
        // Has what it needs: the rest is not read, and the read succeeds.
        enough,
        // Longer than the sink takes: the read fails as too long.
        tooLong,
    };

    virtual ~SelectionSink() = default;

    // Before the first piece: how long the offer is, or for one sent piece by piece what its
    // holder announced (a lower bound only).
    virtual Next expect(std::int64_t length, bool incremental) = 0;
    // The next bytes; pieces are never empty.
    virtual Next take(QByteArrayView piece) = 0;
    // The offer has come whole.
    virtual Next end() = 0;
    // The most bytes worth asking the holder for now: a piece is read no further than this.
    virtual std::int64_t room() const = 0;
};

} // namespace quorvane
