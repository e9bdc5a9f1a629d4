#include "recognition/MissedText.h"

#include "recognition/InkDistance.h"

#include <QColor>
#include <algorithm>
#include <cstdint>

namespace quorvane::MissedText {

namespace {

// As for gaps between words: what differs this much from the paper is ink.
constexpr int inkContrast = 48;
// Rows lower than this hold no readable text, rows this many lines high are no line of text.
constexpr int lowest = 6;
constexpr int tallest = 3;
constexpr double widestSpace = 2.5;

QColor paperOf(const QImage& flat, const QRect& area) {
    std::vector<int> channels[3];
    for (int y = area.top(); y <= area.bottom(); y += 3) {
        const uchar* row = flat.constScanLine(y);
        for (int x = area.left(); x <= area.right(); x += 3)
            for (int c = 0; c < 3; ++c)
                channels[c].push_back(row[std::size_t(x) * 4 + std::size_t(c)]);
    }
    int middle[3] = {255, 255, 255};
    for (int c = 0; c < 3; ++c)
        if (!channels[c].empty()) {
            auto& values = channels[c];
            std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2),
                             values.end());
            middle[c] = values[values.size() / 2];
        }
    return QColor(middle[0], middle[1], middle[2]);
}

// What stands out from the middle colour of `area`, away from its rounded corners: the area
// itself when nothing does, or everything (the area is text on the paper).
QRect inkOn(const QImage& flat, const QRect& area) {
    const int corner = std::max(2, area.height() / 5);
    const QRect inner = area.adjusted(corner, corner, -corner, -corner);
    if (inner.width() < 3 || inner.height() < 3) return area;
    const QRgb fill = paperOf(flat, inner).rgb();
    QRect ink;
    for (int y = inner.top(); y <= inner.bottom(); ++y) {
        const uchar* row = flat.constScanLine(y);
        for (int x = inner.left(); x <= inner.right(); ++x)
            if (inkDistance(row + std::size_t(x) * 4, fill) >= inkContrast) ink |= QRect(x, y, 1, 1);
    }
    return ink.isNull() || ink == inner ? area : ink;
}

int medianLineHeight(const std::vector<TextEngine::Block>& blocks) {
    std::vector<int> heights;
    for (const auto& block : blocks)
        for (const auto& line : block.lines)
            heights.push_back(line.box.height());
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    return heights[heights.size() / 2];
}

// Where to look: around each block, on its own paper, in each region the analysis took for a
// picture (a dark bar, whose light text it does not see), then the whole page on the page's paper
// (a button far below the text). A row found near a block may run on beyond it; one found in a
// picture ends with it.
struct Area {
    QRect box;
    int height;
    QRgb paper;
    int runsFrom, runsTo;
};

std::vector<Area> areasOf(const QImage& flat, const std::vector<TextEngine::Block>& all) {
    std::vector<Area> areas;
    std::vector<TextEngine::Block> blocks, pictures;
    for (const auto& block : all)
        (block.kind == TextEngine::Block::Kind::text ? blocks : pictures).push_back(block);
    if (blocks.empty()) return areas; // no text at all: nothing to look for beside it
    const QRgb page = paperOf(flat, flat.rect()).rgb();
    // A region on the page's own paper is looked at with the whole page.
    const auto ownPaper = [&](QRgb paper) {
        const uchar channels[3] = {uchar(qRed(paper)), uchar(qGreen(paper)), uchar(qBlue(paper))};
        return inkDistance(channels, page) > 2;
    };
    for (const auto& block : blocks) {
        const int height = medianLineHeight({block});
        const QRect box = block.box.adjusted(-height, -4 * height, height, 4 * height) & flat.rect();
        const QRgb paper = paperOf(flat, box).rgb();
        if (ownPaper(paper)) areas.push_back({box, height, paper, 0, flat.width() - 1});
    }
    const int height = medianLineHeight(blocks);
    for (const auto& picture : pictures) {
        const QRect box = picture.box & flat.rect();
        if (box.isEmpty()) continue;
        const QRgb paper = paperOf(flat, box).rgb();
        if (ownPaper(paper)) areas.push_back({box, height, paper, box.left(), box.right()});
    }
    areas.push_back({flat.rect(), height, page, 0, flat.width() - 1});
    return areas;
}

} // namespace

std::vector<PageLayout::Piece> find(const QImage& flat, const std::vector<TextEngine::Block>& blocks,
                                    const std::vector<PageLayout::Piece>& pieces) {
    std::vector<PageLayout::Piece> found;
    // Pixels of the pieces found are not looked at again: one byte a pixel, set once.
    const int width = flat.width();
    std::vector<std::uint8_t> known(std::size_t(width) * std::size_t(flat.height()), 0);
    const auto mark = [&](const QRect& box) {
        const QRect marked = box.adjusted(-2, -2, 2, 2) & flat.rect();
        for (int y = marked.top(); y <= marked.bottom(); ++y)
            std::fill_n(known.begin() + std::ptrdiff_t(y) * width + marked.left(), marked.width(),
                        std::uint8_t(1));
    };
    const auto covered = [&](const QRect& box) {
        const auto hits = [&](const PageLayout::Piece& piece) {
            return piece.box.adjusted(-2, -2, 2, 2).intersects(box);
        };
        return std::any_of(pieces.begin(), pieces.end(), hits) ||
               std::any_of(found.begin(), found.end(), hits);
    };
    for (const auto& piece : pieces)
        mark(piece.box);
    const uchar* bits = flat.constBits();
    const auto stride = std::size_t(flat.bytesPerLine());
    for (const auto& [area, height, paper, runsFrom, runsTo] : areasOf(flat, blocks)) {
        const auto inkAt = [&](int x, int y) {
            return !known[std::size_t(y) * std::size_t(width) + std::size_t(x)] &&
                   inkDistance(bits + std::size_t(y) * stride + std::size_t(x) * 4, paper) >= inkContrast;
        };
        std::vector<std::uint8_t> inked(std::size_t(area.height()), 0);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const uchar* pixel = bits + std::size_t(y) * stride + std::size_t(area.left()) * 4;
            const std::uint8_t* seen =
                known.data() + std::size_t(y) * std::size_t(width) + std::size_t(area.left());
            for (int x = 0; x < area.width(); ++x, pixel += 4)
                if (!seen[x] && inkDistance(pixel, paper) >= inkContrast) {
                    inked[std::size_t(y - area.top())] = 1;
                    break;
                }
        }
        for (int top = area.top(); top <= area.bottom();) {
            if (!inked[std::size_t(top - area.top())]) {
                ++top;
                continue;
            }
            int bottom = top;
            while (bottom < area.bottom() && inked[std::size_t(bottom + 1 - area.top())])
                ++bottom;
            const int band = bottom - top + 1;
            if (band >= lowest && band <= tallest * height) {
                // The band's columns of ink, cut at gaps wider than spaces.
                QRect run;
                const auto keep = [&] {
                    // A fill of another colour (a selected entry, a button): its text is what
                    // stands out from the fill.
                    const QRect text = inkOn(flat, run);
                    // Icons are about as wide as high; a word of a few letters is wider.
                    if (text.height() >= lowest && 2 * text.width() >= 3 * text.height() && !covered(text)) {
                        found.push_back({text, text.height()});
                        mark(text);
                    }
                    run = QRect();
                };
                for (int x = runsFrom; x <= runsTo; ++x) {
                    bool column = false;
                    for (int y = top; y <= bottom && !column; ++y)
                        column = inkAt(x, y);
                    if (!column) continue;
                    if (!run.isNull() && x - run.right() > widestSpace * band) keep();
                    run |= QRect(x, top, 1, band);
                }
                if (!run.isNull()) keep();
            }
            top = bottom + 1;
        }
    }
    return found;
}

} // namespace quorvane::MissedText
