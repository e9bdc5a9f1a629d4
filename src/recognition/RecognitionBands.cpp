#include "recognition/RecognitionBands.h"

#include <algorithm>

namespace quorvane::RecognitionBands {

std::vector<Band> alongLongSide(QSize size, int length, int overlap) {
    const bool wide = size.width() >= size.height();
    const int total = wide ? size.width() : size.height();
    const int across = wide ? size.height() : size.width();
    const auto rect = [&](int start, int extent) {
        return wide ? QRect(start, 0, extent, across) : QRect(0, start, across, extent);
    };
    if (total <= longestSide) return {{rect(0, total), rect(0, total)}};
    std::vector<Band> bands;
    const int step = length - overlap;
    for (int start = 0; start < total; start += step) {
        const int end = std::min(total, start + length);
        // Each band owns its middle: from half the overlap past its start to half before its end.
        const int ownedStart = start == 0 ? 0 : start + overlap / 2;
        const int ownedEnd = end == total ? total : end - overlap / 2;
        bands.push_back({rect(start, end - start), rect(ownedStart, ownedEnd - ownedStart)});
        if (end == total) break;
    }
    return bands;
}

std::vector<QRect> betweenLines(const QRect& area, std::vector<QRect> lines, int count) {
    if (count <= 1 || lines.size() < 2) return {area};
    std::sort(lines.begin(), lines.end(), [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    // Rows: runs of lines whose vertical extents overlap; gaps between rows are where to cut.
    struct Row {
        int top, bottom; // bottom exclusive
        long long work;
    };
    std::vector<Row> rows;
    for (const QRect& line : lines) {
        const int top = line.top(), bottom = line.top() + line.height();
        const long long work = static_cast<long long>(line.width()) * line.height();
        if (!rows.empty() && top < rows.back().bottom) {
            rows.back().bottom = std::max(rows.back().bottom, bottom);
            rows.back().work += work;
        } else {
            rows.push_back({top, bottom, work});
        }
    }
    if (rows.size() < 2) return {area};
    long long total = 0;
    for (const Row& row : rows)
        total += row.work;
    std::vector<QRect> strips;
    int stripTop = area.top();
    long long done = 0;
    int made = 0;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        done += rows[i].work;
        // Cut once this strip has its share of the work.
        if (done * count >= total * (made + 1) && made + 1 < count) {
            const int cut = (rows[i].bottom + rows[i + 1].top) / 2;
            if (cut > stripTop && cut < area.top() + area.height()) {
                strips.emplace_back(area.left(), stripTop, area.width(), cut - stripTop);
                stripTop = cut;
                ++made;
            }
        }
    }
    strips.emplace_back(area.left(), stripTop, area.width(), area.top() + area.height() - stripTop);
    return strips;
}

} // namespace quorvane::RecognitionBands
