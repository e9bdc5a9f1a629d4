#include "export/GifQuantizer.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace quorvane::GifQuantizer {
namespace {

constexpr std::uint32_t clear = 0xFFFFFFFFu;

// Straight RGB of one pixel as 0xRRGGBB, or `clear` when its alpha is below 128.
struct PixelReader {
    QImage image;
    bool premultiplied = false;
    bool opaque = false;

    explicit PixelReader(const QImage& frame) {
        switch (frame.format()) {
        case QImage::Format_RGBA8888_Premultiplied:
            image = frame;
            premultiplied = true;
            break;
        case QImage::Format_RGBX8888:
            image = frame;
            opaque = true;
            break;
        case QImage::Format_RGBA8888:
            image = frame;
            break;
        default:
            image = frame.convertToFormat(QImage::Format_RGBA8888);
            break;
        }
    }

    template<class Visit>
    void forEach(Visit visit) const {
        for (int y = 0; y < image.height(); ++y) {
            const std::uint8_t* p = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x, p += 4) {
                const unsigned alpha = opaque ? 255u : p[3];
                if (alpha < 128) {
                    visit(clear);
                    continue;
                }
                unsigned r = p[0], g = p[1], b = p[2];
                if (premultiplied && alpha < 255) {
                    r = std::min(255u, (r * 255 + alpha / 2) / alpha);
                    g = std::min(255u, (g * 255 + alpha / 2) / alpha);
                    b = std::min(255u, (b * 255 + alpha / 2) / alpha);
                }
                visit((r << 16) | (g << 8) | b);
            }
        }
    }
};

// The distinct colours of the frames while there are at most `limit`; a small open-addressed set.
class ColorSet {
public:
    explicit ColorSet(std::size_t limit) : limit_(limit), slots_(4096, clear) {}

    // False once there are more than `limit` colours.
    bool insert(std::uint32_t rgb) {
        std::size_t slot = hash(rgb);
        while (slots_[slot] != clear) {
            if (slots_[slot] == rgb) return true;
            slot = (slot + 1) & (slots_.size() - 1);
        }
        if (colors_.size() == limit_) return false;
        slots_[slot] = rgb;
        colors_.push_back(rgb);
        return true;
    }
    std::size_t find(std::uint32_t rgb) const {
        std::size_t slot = hash(rgb);
        while (slots_[slot] != rgb)
            slot = (slot + 1) & (slots_.size() - 1);
        return slot;
    }
    const std::vector<std::uint32_t>& colors() const { return colors_; }

private:
    std::size_t hash(std::uint32_t rgb) const { return (rgb * 2654435761u >> 12) & (slots_.size() - 1); }

    std::size_t limit_;
    std::vector<std::uint32_t> slots_;
    std::vector<std::uint32_t> colors_;
};

constexpr int binBits = 6;
std::uint32_t binOf(std::uint32_t rgb) {
    return ((rgb >> 18) & 0x3F) << 12 | ((rgb >> 10) & 0x3F) << 6 | ((rgb >> 2) & 0x3F);
}

struct Bin {
    std::uint32_t index = 0;
    double count = 0;
    std::array<double, 3> mean{};
};

struct Box {
    std::size_t begin = 0;
    std::size_t end = 0;
    double error = 0; // weighted squared distance to the mean
    int axis = 0;     // of the largest spread
};

Box measure(std::vector<Bin>& bins, std::size_t begin, std::size_t end) {
    Box box{begin, end, 0, 0};
    double total = 0;
    std::array<double, 3> sum{}, squares{};
    for (std::size_t i = begin; i < end; ++i) {
        total += bins[i].count;
        for (int c = 0; c < 3; ++c) {
            sum[c] += bins[i].count * bins[i].mean[c];
            squares[c] += bins[i].count * bins[i].mean[c] * bins[i].mean[c];
        }
    }
    double widest = -1;
    for (int c = 0; c < 3; ++c) {
        const double spread = squares[c] - sum[c] * sum[c] / total;
        box.error += spread;
        if (spread > widest) {
            widest = spread;
            box.axis = c;
        }
    }
    if (end - begin < 2) box.error = 0;
    return box;
}

double distance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    const double r = a[0] - b[0], g = a[1] - b[1], bl = a[2] - b[2];
    // Weighted towards green, as the eye is.
    return 2 * r * r + 4 * g * g + 3 * bl * bl;
}

std::size_t nearest(const std::array<double, 3>& color, const std::vector<std::array<double, 3>>& palette) {
    std::size_t best = 0;
    double bestDistance = distance(color, palette[0]);
    for (std::size_t i = 1; i < palette.size(); ++i)
        if (const double d = distance(color, palette[i]); d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    return best;
}

// The palette of at most `size` colours for the histogram, with each used bin's entry.
std::vector<std::array<double, 3>> medianCut(std::vector<Bin>& bins, std::size_t size) {
    std::vector<Box> boxes{measure(bins, 0, bins.size())};
    while (boxes.size() < size) {
        const auto widest = std::max_element(boxes.begin(), boxes.end(),
                                             [](const Box& a, const Box& b) { return a.error < b.error; });
        if (widest->error <= 0) break;
        const Box box = *widest;
        const int axis = box.axis;
        std::sort(bins.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  bins.begin() + static_cast<std::ptrdiff_t>(box.end),
                  [axis](const Bin& a, const Bin& b) { return a.mean[axis] < b.mean[axis]; });
        double total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i)
            total += bins[i].count;
        double running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i < box.end - 1; ++i) {
            running += bins[i].count;
            split = i + 1;
            if (running >= total / 2) break;
        }
        *widest = measure(bins, box.begin, split);
        boxes.push_back(measure(bins, split, box.end));
    }
    std::vector<std::array<double, 3>> palette;
    for (const Box& box : boxes) {
        double total = 0;
        std::array<double, 3> sum{};
        for (std::size_t i = box.begin; i < box.end; ++i) {
            total += bins[i].count;
            for (int c = 0; c < 3; ++c)
                sum[c] += bins[i].count * bins[i].mean[c];
        }
        palette.push_back({sum[0] / total, sum[1] / total, sum[2] / total});
    }
    // Averaging each entry over the bins nearest to it pulls the entries onto the colours used.
    for (int round = 0; round < 2; ++round) {
        std::vector<std::array<double, 4>> sums(palette.size(), {0, 0, 0, 0});
        for (const Bin& bin : bins) {
            auto& s = sums[nearest(bin.mean, palette)];
            for (int c = 0; c < 3; ++c)
                s[c] += bin.count * bin.mean[c];
            s[3] += bin.count;
        }
        for (std::size_t i = 0; i < palette.size(); ++i)
            if (sums[i][3] > 0)
                palette[i] = {sums[i][0] / sums[i][3], sums[i][1] / sums[i][3], sums[i][2] / sums[i][3]};
    }
    return palette;
}

std::uint32_t packed(const std::array<double, 3>& color) {
    const auto channel = [](double v) {
        return static_cast<std::uint32_t>(std::clamp(std::round(v), 0.0, 255.0));
    };
    return channel(color[0]) << 16 | channel(color[1]) << 8 | channel(color[2]);
}

} // namespace

std::optional<Indexed> quantize(const std::vector<QImage>& frames) {
    if (frames.empty()) return std::nullopt;
    const QSize size = frames.front().size();
    if (size.isEmpty()) return std::nullopt;
    std::vector<PixelReader> readers;
    for (const QImage& frame : frames) {
        if (frame.size() != size) return std::nullopt;
        readers.emplace_back(frame);
    }
    const auto pixelCount = static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height());

    bool hasClear = false;
    ColorSet exact(256);
    bool fits = true;
    std::uint32_t last = clear;
    for (const PixelReader& reader : readers)
        reader.forEach([&](std::uint32_t rgb) {
            if (rgb == clear) {
                hasClear = true;
            } else if (fits && rgb != last) {
                fits = exact.insert(rgb);
                last = rgb;
            }
        });
    const std::size_t capacity = hasClear ? 255 : 256;
    fits = fits && exact.colors().size() <= capacity;

    Indexed result;
    if (hasClear) result.transparentIndex = 0;
    if (hasClear) result.palette.push_back(0);
    const auto offset = static_cast<std::uint8_t>(hasClear ? 1 : 0);

    if (fits) {
        // Each colour kept exactly; the set's slot leads to its entry.
        std::vector<std::uint8_t> entryOfSlot(4096, 0);
        std::vector<std::uint32_t> colors = exact.colors();
        std::sort(colors.begin(), colors.end());
        for (std::size_t i = 0; i < colors.size(); ++i) {
            entryOfSlot[exact.find(colors[i])] = static_cast<std::uint8_t>(i + offset);
            result.palette.push_back(colors[i]);
        }
        if (result.palette.empty()) result.palette.push_back(0);
        for (const PixelReader& reader : readers) {
            std::vector<std::uint8_t> indices;
            indices.reserve(pixelCount);
            reader.forEach([&](std::uint32_t rgb) {
                indices.push_back(rgb == clear ? 0 : entryOfSlot[exact.find(rgb)]);
            });
            result.frames.push_back(std::move(indices));
        }
        return result;
    }

    // Too many colours: a histogram of all frames, cut into `capacity` boxes.
    constexpr std::size_t binCount = std::size_t{1} << (3 * binBits);
    std::vector<std::array<std::uint64_t, 4>> histogram(binCount, {0, 0, 0, 0});
    for (const PixelReader& reader : readers)
        reader.forEach([&](std::uint32_t rgb) {
            if (rgb == clear) return;
            auto& bin = histogram[binOf(rgb)];
            bin[0] += rgb >> 16;
            bin[1] += (rgb >> 8) & 0xFF;
            bin[2] += rgb & 0xFF;
            ++bin[3];
        });
    std::vector<Bin> bins;
    for (std::uint32_t i = 0; i < binCount; ++i)
        if (const auto& h = histogram[i]; h[3] > 0) {
            const auto count = static_cast<double>(h[3]);
            bins.push_back({i,
                            count,
                            {static_cast<double>(h[0]) / count, static_cast<double>(h[1]) / count,
                             static_cast<double>(h[2]) / count}});
        }
    const std::vector<std::array<double, 3>> palette = medianCut(bins, capacity);
    std::vector<std::uint8_t> entryOfBin(binCount, 0);
    for (const Bin& bin : bins)
        entryOfBin[bin.index] = static_cast<std::uint8_t>(nearest(bin.mean, palette) + offset);
    for (const auto& color : palette)
        result.palette.push_back(packed(color));
    for (const PixelReader& reader : readers) {
        std::vector<std::uint8_t> indices;
        indices.reserve(pixelCount);
        reader.forEach(
            [&](std::uint32_t rgb) { indices.push_back(rgb == clear ? 0 : entryOfBin[binOf(rgb)]); });
        result.frames.push_back(std::move(indices));
    }
    return result;
}

} // namespace quorvane::GifQuantizer
