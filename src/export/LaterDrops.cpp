#include "export/LaterDrops.h"

#include "export/ImageKind.h"

#include <cstring>

namespace quorvane {

void LaterDrops::mark(const QByteArray& kept, qsizetype at, std::int64_t end) {
    dropped_.push_back({at, kept.size() - at, end});
}

void LaterDrops::settle(QByteArray& kept, std::int64_t position, std::initializer_list<qsizetype*> offsets) {
    std::size_t count = 0;
    while (count < dropped_.size() && dropped_[count].end + ImageKind::tailLength <= position)
        ++count;
    if (count == 0) return;
    qsizetype to = dropped_.front().at;
    for (std::size_t i = 0; i < count; ++i) {
        const qsizetype from = dropped_[i].at + dropped_[i].length;
        const qsizetype end = i + 1 < count ? dropped_[i + 1].at : kept.size();
        std::memmove(kept.data() + to, kept.data() + from, static_cast<std::size_t>(end - from));
        to += end - from;
    }
    const qsizetype last = dropped_[count - 1].at + dropped_[count - 1].length;
    const qsizetype removed = kept.size() - to;
    kept.truncate(to);
    dropped_.erase(dropped_.begin(), dropped_.begin() + static_cast<std::ptrdiff_t>(count));
    // Everything still marked lies after what was dropped.
    for (Dropped& later : dropped_)
        later.at -= removed;
    for (qsizetype* at : offsets)
        if (*at >= last) *at -= removed;
}

} // namespace quorvane
