#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

namespace quorvane {

class EdgeGrid;

// Whether the background around an erase box is plain enough to cover the box with, and in which
// colour. Coordinates are image pixels from the top-left pixel, y down. Any thread.
namespace EraseCheck {

// Why an erase box cannot stay where it is; shown to the user.
struct Refusal {
    QString message;
    bool operator==(const Refusal&) const = default;
};

inline const QString renderFailedMessage = QStringLiteral("Could not check the background around the erase.");
inline const QString unavailableMessage =
    QStringLiteral("Erase needs some plain background around the object. Use Redact or Rectangle instead.");
inline const QString busyMessage = QStringLiteral("Erase needs a plain background around the object. Draw "
                                                  "the box a little larger, or use Redact or Rectangle.");

// The ring's colour: straight (not premultiplied) sRGB.
struct Plain {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const Plain&) const = default;
};
// The ring's largest per-channel standard deviation.
struct Busy {
    double deviation = 0;
    bool operator==(const Busy&) const = default;
};
// Fewer than 8 ring pixels, or pixels that could not be read.
struct Unavailable {
    bool operator==(const Unavailable&) const = default;
};
using Outcome = std::variant<Plain, Busy, Unavailable>;

// `box` standardised, made integral outward, grown by `margin` and clipped to `bounds`; none when
// an edge is not finite or nothing is left.
std::optional<QRectF> coverRect(const QRectF& box, int margin, const QRectF& bounds);

// Judges the ring of up to 3 pixels around `box`; the box's own pixels never count.
Outcome evaluate(const QRectF& box, const QImage& image);
Outcome evaluate(const QRectF& box, const EdgeGrid& grid);

} // namespace EraseCheck
} // namespace quorvane
