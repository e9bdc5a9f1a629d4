#pragma once

// Kept bytes to be dropped only once the input has gone on `ImageKind::tailLength` past them: until
// then its end may be near, and the completeness test would read them.

#include <QByteArray>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace quorvane {

class LaterDrops {
public:
    // The bytes of `kept` from `at` on, which ended at `end` of the input.
    void mark(const QByteArray& kept, qsizetype at, std::int64_t end);
    // Drops from `kept`, in one pass, what the input has gone far enough past by `position`;
    // `offsets` into `kept` that lie after what was dropped move with it.
    void settle(QByteArray& kept, std::int64_t position, std::initializer_list<qsizetype*> offsets);

private:
    struct Dropped {
        qsizetype at = 0;
        qsizetype length = 0;
        std::int64_t end = 0;
    };
    std::vector<Dropped> dropped_;
};

} // namespace quorvane
