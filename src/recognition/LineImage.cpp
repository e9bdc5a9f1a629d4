#include "recognition/LineImage.h"

#include "recognition/InkDistance.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// A pixel is ink when it differs from the paper by this part of the piece's contrast: anti-
// aliased edges a quarter covered still count.
constexpr int inkShare = 5; // 1/5
// What stands out this much from the paper is ink even in the palest text.
constexpr int inkContrast = 48;

// The paper of a piece: the middle value of each channel on a ring just outside it.
QColor paperAround(const QImage& flat, const QRect& box) {
    const QRect ring = box.adjusted(-2, -2, 2, 2) & flat.rect();
    std::vector<int> channels[3];
    const auto take = [&](int x, int y) {
        const uchar* pixel = flat.constScanLine(y) + std::size_t(x) * 4;
        for (int c = 0; c < 3; ++c)
            channels[c].push_back(pixel[c]);
    };
    for (int x = ring.left(); x <= ring.right(); ++x) {
        if (ring.top() < box.top()) take(x, ring.top());
        if (ring.bottom() > box.bottom()) take(x, ring.bottom());
    }
    for (int y = ring.top(); y <= ring.bottom(); ++y) {
        if (ring.left() < box.left()) take(ring.left(), y);
        if (ring.right() > box.right()) take(ring.right(), y);
    }
    if (channels[0].empty()) return Qt::white;
    int middle[3];
    for (int c = 0; c < 3; ++c) {
        auto& values = channels[c];
        std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
        middle[c] = values[values.size() / 2];
    }
    return QColor(middle[0], middle[1], middle[2]);
}

} // namespace

LineImage::LineImage(const QImage& flat, const QImage& enlarged, int factor, const QRect& box, int height,
                     const std::vector<QRect>& others)
    : flat_(flat), box_(box & flat.rect()), factor_(factor), background_(paperAround(flat, box_)),
      paper_(background_.rgb()), others_(others) {
    int contrast = 0;
    QColor ink = background_;
    for (int y = box_.top(); y <= box_.bottom(); ++y) {
        const uchar* row = flat.constScanLine(y);
        for (int x = box_.left(); x <= box_.right(); ++x)
            if (const int d = inkDistance(row + std::size_t(x) * 4, paper_); d > contrast)
                contrast = d, ink = QColor(row[x * 4], row[x * 4 + 1], row[x * 4 + 2]);
    }
    threshold_ = std::max(1, contrast / inkShare);
    coreThreshold_ = std::max(1, contrast / 2);
    growOverLetters(height, others);
    reach_ = std::max(1, height / 3);
    kept_ = box_.adjusted(-reach_ - 1, -reach_, reach_ + 1, reach_) & flat.rect();

    // Paper of the piece's own colour around it: the engine wants a margin, and anything but the
    // piece in it would be read too.
    const int pad = std::max(8, box_.height() * factor / 2);
    const QRect kept = QRect(kept_.topLeft() * factor, kept_.size() * factor) & enlarged.rect();
    origin_ = kept.topLeft() - QPoint(pad, pad);
    image_ = QImage(kept.size() + QSize(2 * pad, 2 * pad), QImage::Format_RGBX8888);
    image_.fill(background_);
    // Read at the page's resolution: the engine then takes the enlarged letters for larger ones,
    // which it reads better.
    image_.setDotsPerMeterX(flat.dotsPerMeterX()), image_.setDotsPerMeterY(flat.dotsPerMeterY());
    for (int y = kept.top(); y <= kept.bottom(); ++y)
        std::copy_n(enlarged.constScanLine(y) + std::size_t(kept.left()) * 4, std::size_t(kept.width()) * 4,
                    image_.scanLine(y - origin_.y()) + std::size_t(kept.left() - origin_.x()) * 4);
    {
        QPainter painter(&image_);
        for (const QRect& other : others)
            for (const QRect& hidden : QRegion(other.adjusted(-1, -1, 1, 1) & kept_).subtracted(box_))
                painter.fillRect(QRect(hidden.topLeft() * factor - origin_, hidden.size() * factor),
                                 background_);
    }
    // Light text on dark paper is turned round: the engine reads dark on light, once.
    if (qGray(background_.rgb()) < qGray(ink.rgb())) image_.invertPixels();
}

int LineImage::emptyWidth(const QImage& flat, const QRect& area, int height) {
    const QRect inside = area & flat.rect();
    if (inside.width() < 1 || inside.height() < 3) return std::max(0, area.width());
    const QRgb paper = paperAround(flat, inside.adjusted(1, 1, -1, -1)).rgb();
    const auto inked = [&](int x) {
        int count = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            if (inkDistance(flat.constScanLine(y) + std::size_t(x) * 4, paper) >= inkContrast) ++count;
        // A line from top to bottom is a border or the edge of a panel, not a letter.
        return count > 0 && count * 10 < inside.height() * 9;
    };
    // Letters the analysis left out at the end of the words on either side belong to them: the
    // gap starts where their ink stops for more than a letter's gap.
    const int letterGap = std::max(1, height / 4);
    int first = inside.left(), last = inside.right();
    for (int x = first, gap = 0; x <= last && gap <= letterGap; ++x)
        inked(x) ? (first = x + 1, gap = 0) : ++gap;
    for (int x = last, gap = 0; x >= first && gap <= letterGap; --x)
        inked(x) ? (last = x - 1, gap = 0) : ++gap;
    for (int x = first; x <= last; ++x)
        if (inked(x)) return 0;
    return std::max(0, last - first + 1);
}

bool LineImage::onDifferentPaper(const QImage& flat, const QRect& first, const QRect& second) {
    const QColor a = paperAround(flat, first), b = paperAround(flat, second);
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())}) >= inkContrast;
}

int LineImage::lastInkedRow(int left, int right, int from, int step) const {
    int last = from;
    for (int y = from + step, empty = 0; y >= kept_.top() && y <= kept_.bottom() && empty < 2; y += step) {
        bool inked = false;
        for (int x = left; x < right && !inked; ++x)
            inked = inkAt(x, y) && std::none_of(others_.begin(), others_.end(),
                                                [&](const QRect& other) { return other.contains(x, y); });
        inked ? (last = y, empty = 0) : ++empty;
    }
    return last;
}

void LineImage::growOverLetters(int height, const std::vector<QRect>& others) {
    // The analysis leaves out letters it could not tell from the paper (pale text on a coloured
    // button); the ink that continues the piece within a letter's gap is part of it, up to a few
    // letters, never into another piece.
    const int letterGap = std::max(1, height / 4), most = 2 * std::max(1, height);
    const auto free = [&](int x) {
        return std::none_of(others.begin(), others.end(), [&](const QRect& other) {
            return x >= other.left() && x <= other.right() && other.top() <= box_.bottom() &&
                   other.bottom() >= box_.top();
        });
    };
    int left = box_.left(), right = box_.right();
    for (int x = left - 1, gap = 0; x >= 0 && gap <= letterGap && box_.left() - x <= most && free(x); --x)
        columnHasInk(x, box_.top(), box_.bottom()) ? (left = x, gap = 0) : ++gap;
    for (int x = right + 1, gap = 0;
         x < flat_.width() && gap <= letterGap && x - box_.right() <= most && free(x); ++x)
        columnHasInk(x, box_.top(), box_.bottom()) ? (right = x, gap = 0) : ++gap;
    box_.setLeft(left), box_.setRight(right);
}

QRectF LineImage::toSource(const QRectF& box) const {
    return QRectF((box.x() + origin_.x()) / factor_, (box.y() + origin_.y()) / factor_, box.width() / factor_,
                  box.height() / factor_);
}

bool LineImage::inkAt(int x, int y, Ink ink) const {
    return inkDistance(flat_.constScanLine(y) + std::size_t(x) * 4, paper_) >=
           (ink == Ink::edge ? threshold_ : coreThreshold_);
}

bool LineImage::columnHasInk(int x, int top, int bottom, Ink ink) const {
    for (int y = top; y <= bottom; ++y)
        if (inkAt(x, y, ink)) return true;
    return false;
}

int LineImage::contrastOf(int left, int right) const {
    int contrast = 0;
    for (int y = box_.top(); y <= box_.bottom(); ++y)
        for (int x = left; x < right; ++x)
            contrast = std::max(contrast, inkDistance(flat_.constScanLine(y) + std::size_t(x) * 4, paper_));
    return contrast;
}

std::vector<QRectF> LineImage::fitted(const std::vector<QRectF>& words) const {
    const int top = box_.top(), bottom = box_.bottom();
    // Letters of a word may stand this far apart; a space between words is wider.
    const int letterGap = std::max(1, box_.height() / 4);
    const auto strong = [&](int x) { return columnHasInk(x, top, bottom, Ink::core); };
    // Where each word's core ink starts and ends within the engine's box: pale edges of the
    // neighbours that reach into a box do not count.
    std::vector<std::pair<int, int>> cores;
    for (const QRectF& word : words) {
        int left = std::clamp(int(std::floor(word.left())), kept_.left(), kept_.right() + 1);
        int right = std::clamp(int(std::ceil(word.right())), left, kept_.right() + 1); // exclusive
        while (left < right && !strong(left))
            ++left;
        while (right > left && !strong(right - 1))
            --right;
        cores.emplace_back(left, right);
    }
    std::vector<QRectF> result;
    result.reserve(words.size());
    int previous = kept_.left(); // the first column the word may take
    for (std::size_t i = 0; i < words.size(); ++i) {
        auto [left, right] = cores[i];
        const int next = i + 1 < words.size() && cores[i + 1].first < cores[i + 1].second ? cores[i + 1].first
                                                                                          : kept_.right() + 1;
        if (left == right || left < previous || right > next) {
            result.push_back(words[i]);
            continue;
        }
        // Grow over ink that continues the word, across gaps no wider than between letters; then
        // over pale ink (the thin last stroke or the colon of small, dim text never reaches the
        // core) short of the neighbours' own pale edges; then over its pale edges.
        for (int x = right, gap = 0; x < next && gap <= letterGap; ++x)
            strong(x) ? (right = x + 1, gap = 0) : ++gap;
        for (int x = left - 1, gap = 0; x >= previous && gap <= letterGap; --x)
            strong(x) ? (left = x, gap = 0) : ++gap;
        // Pale as measured against the word's own ink: a dim label beside dark text.
        const int pale = std::max(1, contrastOf(left, right) / inkShare);
        const auto paleInk = [&](int x) {
            for (int y = top; y <= bottom; ++y)
                if (inkDistance(flat_.constScanLine(y) + std::size_t(x) * 4, paper_) >= pale) return true;
            return false;
        };
        for (int x = right, gap = 0; x < next - 1 && gap <= letterGap; ++x)
            paleInk(x) ? (right = x + 1, gap = 0) : ++gap;
        if (right < next && paleInk(right)) ++right;
        if (left > previous && paleInk(left - 1)) --left;
        int inkTop = bottom + 1, inkBottom = top - 1;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x < right; ++x)
                if (inkDistance(flat_.constScanLine(y) + std::size_t(x) * 4, paper_) >= pale) {
                    inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
                    break;
                }
        // The dots and accents the analysis left out of the line, up to a few rows away.
        inkTop = lastInkedRow(left, right, inkTop, -1);
        inkBottom = lastInkedRow(left, right, inkBottom, +1);
        result.emplace_back(left, inkTop, right - left, inkBottom - inkTop + 1);
        previous = right;
    }
    return result;
}

} // namespace quorvane
