#include "recognition/PaperUnderStrokes.h"

#include <QColor>
#include <algorithm>
#include <cstdlib>

namespace quorvane {

namespace {

// The largest (or smallest) value within `radius` of each of `count` values `step` apart, kept
// in a queue of the candidates so that every value is looked at a few times at most.
void slide(const std::uint8_t* in, std::uint8_t* out, int count, std::size_t step, int radius, bool largest,
           std::vector<int>& queue) {
    const auto beats = [&](int a, int b) {
        return largest ? in[std::size_t(a) * step] > in[std::size_t(b) * step]
                       : in[std::size_t(a) * step] < in[std::size_t(b) * step];
    };
    int head = 0, tail = 0, next = 0;
    for (int i = 0; i < count; ++i) {
        for (; next <= std::min(count - 1, i + radius); ++next) {
            while (tail > head && !beats(queue[std::size_t(tail - 1)], next))
                --tail;
            queue[std::size_t(tail++)] = next;
        }
        while (queue[std::size_t(head)] < i - radius)
            ++head;
        out[std::size_t(i) * step] = in[std::size_t(queue[std::size_t(head)]) * step];
    }
}

} // namespace

PaperUnderStrokes::PaperUnderStrokes(const QImage& flat, const QRect& area, int radius, bool darkInk)
    : width_(area.width()), height_(area.height()) {
    for (auto& plane : planes_)
        plane.resize(std::size_t(width_) * std::size_t(height_));
    for (int y = 0; y < height_; ++y) {
        const uchar* row = flat.constScanLine(area.top() + y) + std::size_t(area.left()) * 4;
        for (int x = 0; x < width_; ++x)
            for (std::size_t c = 0; c < 3; ++c)
                planes_[c][index(x, y)] = row[std::size_t(x) * 4 + c];
    }
    // Light paper first spreads over dark strokes, then gives the fills their edges back.
    pass(radius, darkInk);
    pass(radius, !darkInk);
}

void PaperUnderStrokes::pass(int radius, bool largest) {
    std::vector<int> queue(std::size_t(std::max(width_, height_)));
    std::vector<std::uint8_t> rows(planes_[0].size());
    for (auto& plane : planes_) {
        for (int y = 0; y < height_; ++y)
            slide(plane.data() + index(0, y), rows.data() + index(0, y), width_, 1, radius, largest, queue);
        for (int x = 0; x < width_; ++x)
            slide(rows.data() + x, plane.data() + x, height_, std::size_t(width_), radius, largest, queue);
    }
}

PaperUnderStrokes::Color PaperUnderStrokes::paperOf(const QImage& flat, const QRect& area) {
    std::array<std::array<int, 256>, 3> counts{};
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            for (std::size_t c = 0; c < 3; ++c)
                ++counts[c][flat.constScanLine(y)[std::size_t(x) * 4 + c]];
    Color paper{};
    const long long half = (static_cast<long long>(area.width()) * area.height() + 1) / 2;
    for (std::size_t c = 0; c < 3; ++c)
        for (long long seen = 0; seen + counts[c][std::size_t(paper[c])] < half; ++paper[c])
            seen += counts[c][std::size_t(paper[c])];
    return paper;
}

bool PaperUnderStrokes::darkInkOn(const QImage& flat, const QRect& area, const Color& paper) {
    int farthest = -1;
    Color ink = paper;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const uchar* p = flat.constScanLine(y) + std::size_t(x) * 4;
            const int d =
                std::max({std::abs(p[0] - paper[0]), std::abs(p[1] - paper[1]), std::abs(p[2] - paper[2])});
            if (d > farthest) farthest = d, ink = {p[0], p[1], p[2]};
        }
    return qGray(ink[0], ink[1], ink[2]) < qGray(paper[0], paper[1], paper[2]);
}

} // namespace quorvane
