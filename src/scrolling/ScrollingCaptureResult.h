#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace quorvane {

// What a scrolling capture that ended with an image delivers.
struct ScrollingCaptureResult {
    // Upright, unless `reason` says otherwise.
    QImage image;
    // It stopped for another reason than the user finishing it, or it is not the whole stitch.
    bool partial = false;
    // Shown to the user with a partial result.
    std::optional<QString> reason;

    bool operator==(const ScrollingCaptureResult&) const = default;
};

} // namespace quorvane
