#include "recognition/TintedSpans.h"

#include "recognition/PaperUnderStrokes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace quorvane::TintedSpans {

namespace {

// Channels of one fill differ by no more than this.
constexpr int tolerance = 6;
// A fill that darkens the paper by less than this in every channel is the paper.
constexpr int leastTint = 7;
// A box's corners are filled: rounded ones are buttons and selected rows, read on their own paper.
constexpr double filled = 0.95;
// This part of the paper round a box is of one colour.
constexpr double evenPaper = 0.9;
// Text on a box stands out from it this much, in this many pixels at least.
constexpr int inkContrast = 48;
constexpr int leastInk = 8;
// Boxes taller than this many lines are panels.
constexpr int tallestBox = 8;

using Color = PaperUnderStrokes::Color;

int spread(const Color& a, const Color& b) {
    return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

Color median(std::array<std::vector<int>, 3>& channels) {
    Color middle{};
    for (std::size_t c = 0; c < 3; ++c) {
        auto& values = channels[c];
        std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
        middle[c] = values[values.size() / 2];
    }
    return middle;
}

bool darkens(const Color& fill, const Color& paper, int least) {
    int most = 0;
    for (std::size_t c = 0; c < 3; ++c) {
        if (fill[c] > paper[c] + tolerance) return false;
        most = std::max(most, paper[c] - fill[c]);
    }
    return most >= least;
}

// A pixel with `fill` over it (into `out`), as it was on `paper`: multiplied by the fill, divided again. A
// channel the fill all but removes (blue under yellow) follows the others.
void divideOut(const uchar* pixel, uchar* out, const Color& fill, const Color& paper) {
    int informed = 0, sumPixel = 0, sumFill = 0;
    std::array<bool, 3> usable{};
    for (std::size_t c = 0; c < 3; ++c) {
        usable[c] = fill[c] >= std::max(8, paper[c] / 4);
        if (usable[c]) ++informed, sumPixel += pixel[c], sumFill += fill[c];
    }
    if (informed == 0) return;
    const double ratio = double(sumPixel) / double(sumFill);
    for (std::size_t c = 0; c < 3; ++c) {
        const double value = usable[c] ? double(pixel[c]) * paper[c] / fill[c] : ratio * paper[c];
        out[c] = uchar(std::clamp(int(std::lround(value)), 0, 255));
    }
}

struct Box {
    QRect area; // in pixels of the strip
    Color fill, paper;
};

// Pixels of about one colour in the paper under the strokes, joined side by side.
struct Region {
    QRect bounds;
    std::vector<QPoint> pixels;
};

Region grow(const PaperUnderStrokes& back, QPoint seed, std::vector<std::uint8_t>& seen,
            std::vector<QPoint>& stack) {
    Region region;
    const Color first = back.at(seed.x(), seed.y());
    const QRect whole(0, 0, back.width(), back.height());
    stack.assign(1, seed);
    seen[back.index(seed.x(), seed.y())] = 1;
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        region.bounds |= QRect(p, QSize(1, 1));
        region.pixels.push_back(p);
        for (const QPoint next : {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)})
            if (whole.contains(next) && !seen[back.index(next.x(), next.y())] &&
                spread(back.at(next.x(), next.y()), first) <= tolerance) {
                seen[back.index(next.x(), next.y())] = 1;
                stack.push_back(next);
            }
    }
    return region;
}

int mostCommon(const std::vector<int>& values) {
    std::vector<int> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    int best = sorted.front(), bestCount = 0;
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i;
        while (j < sorted.size() && sorted[j] == sorted[i])
            ++j;
        if (int(j - i) > bestCount) best = sorted[i], bestCount = int(j - i);
        i = j;
    }
    return best;
}

// The rectangle most rows and columns of a region start and end on: a stroke lying on a box's
// edge moves the edge of the paper under it for its own rows only, and a soft edge can join the
// region here and there.
QRect mostCommonEdges(const Region& region) {
    const QRect b = region.bounds;
    std::vector<int> left(std::size_t(b.height()), b.right() + 1), right(std::size_t(b.height()), -1);
    std::vector<int> top(std::size_t(b.width()), b.bottom() + 1), bottom(std::size_t(b.width()), -1);
    for (const QPoint& p : region.pixels) {
        const auto row = std::size_t(p.y() - b.top()), column = std::size_t(p.x() - b.left());
        left[row] = std::min(left[row], p.x()), right[row] = std::max(right[row], p.x());
        top[column] = std::min(top[column], p.y()), bottom[column] = std::max(bottom[column], p.y());
    }
    return QRect(QPoint(mostCommon(left), mostCommon(top)), QPoint(mostCommon(right), mostCommon(bottom)));
}

// Whether a row of `area` of `flat` holds a run of one colour other than `paper`, `longest`
// pixels long at least: the fill of a box beside or between the letters. Most lines hold none,
// and cost nothing more.
bool mayHoldBox(const QImage& flat, const QRect& area, const Color& paper, int longest) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* row = flat.constScanLine(y);
        Color run{-1, -1, -1};
        int length = 0;
        for (int x = area.left(); x <= area.right(); ++x) {
            const uchar* p = row + std::size_t(x) * 4;
            const Color here{p[0], p[1], p[2]};
            if (spread(here, run) <= tolerance) {
                if (++length >= longest && spread(run, paper) >= leastTint) return true;
            } else {
                run = here, length = 1;
            }
        }
    }
    return false;
}

// Whether the box holds text of the line's polarity: pixels of `flat` that stand out from the fill
// the way the line's ink stands out from its paper. A stroke too thick to be taken away is no box.
bool holdsText(const QImage& flat, const QRect& box, const Color& fill, bool darkInk) {
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const uchar* row = flat.constScanLine(y);
        for (int x = box.left(); x <= box.right(); ++x) {
            const uchar* p = row + std::size_t(x) * 4;
            int most = 0;
            for (std::size_t c = 0; c < 3; ++c)
                most = std::max(most, darkInk ? fill[c] - p[c] : p[c] - fill[c]);
            if (most >= inkContrast && ++count >= leastInk) return true;
        }
    }
    return false;
}

// How much of the fill a pixel shows when it is the fill, the paper or a blend of them (on the
// box's soft edge) without ink; none when it holds ink.
std::optional<double> shareOfFill(const uchar* pixel, const Box& box) {
    std::size_t widest = 0;
    for (std::size_t c = 1; c < 3; ++c)
        if (std::abs(box.paper[c] - box.fill[c]) > std::abs(box.paper[widest] - box.fill[widest])) widest = c;
    const double share = double(box.paper[widest] - pixel[widest]) / (box.paper[widest] - box.fill[widest]);
    if (share < -0.05 || share > 1.05) return std::nullopt;
    for (std::size_t c = 0; c < 3; ++c)
        if (std::abs(pixel[c] - (share * box.fill[c] + (1 - share) * box.paper[c])) > tolerance)
            return std::nullopt;
    return std::clamp(share, 0.0, 1.0);
}

// The middle share of the fill in the pixels of `area` without ink: how much of a soft edge's
// column or row the box covers.
double edgeShare(const QImage& flat, const QRect& area, const Box& box) {
    std::vector<double> shares;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (const auto share = shareOfFill(flat.constScanLine(y) + std::size_t(x) * 4, box))
                shares.push_back(*share);
    if (shares.empty()) return 0;
    std::nth_element(shares.begin(), shares.begin() + std::ptrdiff_t(shares.size() / 2), shares.end());
    return shares[shares.size() / 2];
}

// `box` (in pixels of `flat`) divided out of `result`: the fill within it, and as much of the fill
// as each column or row of its soft edge shows around it. The paper under the strokes is not
// asked there: a stroke on the box's edge shifts that edge in it, either way.
void divideOut(const QImage& flat, QImage& result, const Box& box) {
    constexpr int soft = 2;
    const QRect edge = box.area.adjusted(-soft, -soft, soft, soft) & flat.rect();
    const QRect& a = box.area;
    std::array<double, soft> left{}, right{}, above{}, below{};
    for (int i = 0; i < soft; ++i) {
        left[std::size_t(i)] =
            edgeShare(flat, QRect(a.left() - 1 - i, a.top(), 1, a.height()) & flat.rect(), box);
        right[std::size_t(i)] =
            edgeShare(flat, QRect(a.right() + 1 + i, a.top(), 1, a.height()) & flat.rect(), box);
        above[std::size_t(i)] =
            edgeShare(flat, QRect(a.left(), a.top() - 1 - i, a.width(), 1) & flat.rect(), box);
        below[std::size_t(i)] =
            edgeShare(flat, QRect(a.left(), a.bottom() + 1 + i, a.width(), 1) & flat.rect(), box);
    }
    for (int y = edge.top(); y <= edge.bottom(); ++y) {
        // From the image as given, so that a box found from two lines is divided once.
        const uchar* in = flat.constScanLine(y);
        uchar* out = result.scanLine(y);
        const double across = y < a.top()      ? above[std::size_t(a.top() - y - 1)]
                              : y > a.bottom() ? below[std::size_t(y - a.bottom() - 1)]
                                               : 1.0;
        for (int x = edge.left(); x <= edge.right(); ++x) {
            const uchar* pixel = in + std::size_t(x) * 4;
            if (shareOfFill(pixel, box)) {
                std::copy_n(box.paper.begin(), 3, out + std::size_t(x) * 4);
                continue;
            }
            const double along = x < a.left()    ? left[std::size_t(a.left() - x - 1)]
                                 : x > a.right() ? right[std::size_t(x - a.right() - 1)]
                                                 : 1.0;
            const double share = across * along;
            if (share < 0.05) continue;
            Color under;
            for (std::size_t c = 0; c < 3; ++c)
                under[c] = int(std::lround(share * box.fill[c] + (1 - share) * box.paper[c]));
            divideOut(pixel, out + std::size_t(x) * 4, under, box.paper);
        }
    }
}

// Whether `region` fills `area` to its square corners, within its soft edge, but for what is left
// of a few thick strokes.
bool fillsRectangle(const Region& region, const QRect& area, std::vector<std::uint8_t>& member, int width) {
    const QRect core = area.adjusted(1, 1, -1, -1);
    if (core.width() < 2 || core.height() < 2) return false;
    const auto at = [&](int x, int y) { return std::size_t(y) * std::size_t(width) + std::size_t(x); };
    for (const QPoint& p : region.pixels)
        member[at(p.x(), p.y())] = 1;
    long long inCore = 0;
    for (int y = core.top(); y <= core.bottom(); ++y)
        for (int x = core.left(); x <= core.right(); ++x)
            inCore += member[at(x, y)];
    // A rounded corner leaves out about as much of the row as of the column at it, and a button
    // has four of them; a stroke lying on an edge leaves out a run along it, at a corner or two.
    const auto rounded = [&](int x, int y, int dx, int dy) {
        int along = 0, down = 0;
        while (along < core.width() && !member[at(x + along * dx, y)])
            ++along;
        while (down < core.height() && !member[at(x, y + down * dy)])
            ++down;
        return along >= 1 && down >= 1 && std::max(along, down) <= 2 * std::min(along, down);
    };
    const int roundedCorners =
        int(rounded(core.left(), core.top(), 1, 1)) + int(rounded(core.right(), core.top(), -1, 1)) +
        int(rounded(core.left(), core.bottom(), 1, -1)) + int(rounded(core.right(), core.bottom(), -1, -1));
    const bool square = roundedCorners < 3;
    for (const QPoint& p : region.pixels)
        member[at(p.x(), p.y())] = 0;
    return square && double(inCore) >= filled * core.width() * core.height();
}

// The paper just outside the soft edge of `area`, when it is of one colour all round: not a piece
// of a larger fill beside another.
std::optional<Color> paperAround(const PaperUnderStrokes& back, const QRect& area) {
    std::array<std::vector<int>, 3> ring;
    const QRect whole(0, 0, back.width(), back.height()), outside = area.adjusted(-2, -2, 2, 2);
    const auto take = [&](int x, int y) {
        if (!whole.contains(x, y)) return;
        const Color c = back.at(x, y);
        for (std::size_t i = 0; i < 3; ++i)
            ring[i].push_back(c[i]);
    };
    for (int x = outside.left(); x <= outside.right(); ++x)
        take(x, outside.top()), take(x, outside.bottom());
    for (int y = outside.top() + 1; y < outside.bottom(); ++y)
        take(outside.left(), y), take(outside.right(), y);
    if (ring[0].size() < 4) return std::nullopt;
    const std::size_t size = ring[0].size();
    std::array<std::vector<int>, 3> values = ring;
    const Color paper = median(values);
    std::size_t onPaper = 0;
    for (std::size_t i = 0; i < size; ++i)
        onPaper += spread({ring[0][i], ring[1][i], ring[2][i]}, paper) <= tolerance;
    if (double(onPaper) < evenPaper * double(size)) return std::nullopt;
    return paper;
}

// The rectangles of one darker fill in the paper under the strokes of `back` (at `origin` of
// `flat`) that cover part of `line`, are well larger than the `window` that took the strokes away
// (what is left between thick letters is not) and hold text, with the paper around them; all in
// pixels of the strip.
std::vector<Box> boxesIn(const QImage& flat, QPoint origin, const PaperUnderStrokes& back, const QRect& line,
                         int window, bool darkInk) {
    std::vector<Box> boxes;
    std::vector<std::uint8_t> seen(std::size_t(back.width()) * std::size_t(back.height()), 0), member(seen);
    std::vector<QPoint> stack;
    const QRect whole(0, 0, back.width(), back.height());
    for (int y0 = 0; y0 < back.height(); ++y0)
        for (int x0 = 0; x0 < back.width(); ++x0) {
            if (seen[back.index(x0, y0)]) continue;
            const Region region = grow(back, {x0, y0}, seen, stack);
            // The paper of the whole strip, or what is too small to be a box.
            if (region.bounds == whole || !region.bounds.intersects(line) ||
                region.bounds.width() < 3 * window || region.bounds.height() < window)
                continue;
            const QRect area = mostCommonEdges(region);
            if (area.width() < 3 * window || area.height() < window ||
                !fillsRectangle(region, area, member, back.width()))
                continue;
            std::array<std::vector<int>, 3> channels;
            for (const QPoint& p : region.pixels) {
                const Color c = back.at(p.x(), p.y());
                for (std::size_t i = 0; i < 3; ++i)
                    channels[i].push_back(c[i]);
            }
            const Color fill = median(channels);
            const auto paper = paperAround(back, area);
            if (paper && darkens(fill, *paper, leastTint) &&
                holdsText(flat, area.translated(origin), fill, darkInk))
                boxes.push_back({area, fill, *paper});
        }
    return boxes;
}

} // namespace

std::optional<QImage> flattened(const QImage& flat, const std::vector<QRect>& lines) {
    std::optional<QImage> result;
    for (const QRect& line : lines) {
        const int height = std::max(1, line.height());
        // Wider than any stroke of the line's text, narrower than a box around it.
        const int radius = std::max(1, int(std::lround(0.15 * height)));
        // A box that runs on above or below the strip (a highlight over two lines) is followed
        // there, up to the height of a few lines: taller ones are panels the line stands on.
        QRect area;
        std::vector<Box> boxes;
        for (int above = height / 2, below = height / 2;;) {
            area = line.adjusted(-2 * radius, -above, 2 * radius, below) & flat.rect();
            if (area.width() < 4 * radius || area.height() < 3) break;
            const Color paper = PaperUnderStrokes::paperOf(flat, area);
            if (boxes.empty() && !mayHoldBox(flat, area, paper, 2 * (2 * radius + 1))) break;
            const bool darkInk = PaperUnderStrokes::darkInkOn(flat, area, paper);
            const PaperUnderStrokes back(flat, area, radius, darkInk);
            boxes = boxesIn(flat, area.topLeft(), back, line.translated(-area.topLeft()), 2 * radius + 1,
                            darkInk);
            const auto runsUp = [&](const Box& box) { return box.area.top() == 0 && area.top() > 0; };
            const auto runsDown = [&](const Box& box) {
                return box.area.bottom() == area.height() - 1 && area.bottom() < flat.height() - 1;
            };
            const bool up = std::any_of(boxes.begin(), boxes.end(), runsUp);
            const bool down = std::any_of(boxes.begin(), boxes.end(), runsDown);
            if (!up && !down) break;
            if (area.height() > tallestBox * height) {
                std::erase_if(boxes, [&](const Box& box) { return runsUp(box) || runsDown(box); });
                break;
            }
            above += up ? height : 0, below += down ? height : 0;
        }
        for (Box box : boxes) {
            if (!result) result = flat.copy();
            box.area.translate(area.topLeft());
            divideOut(flat, *result, box);
        }
    }
    return result;
}

} // namespace quorvane::TintedSpans
