#pragma once

#include "panels/ThumbnailAction.h"

#include <QObject>
#include <QSize>
#include <optional>

namespace quorvane {

// What the thumbnail's card shows, written by the controller and read by the card; the card
// reports its actions back through `performRequested`.
class ThumbnailModel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The shown image's pixel size; none while nothing is shown.
    const std::optional<QSize>& pixelSize() const { return pixelSize_; }
    void setPixelSize(const std::optional<QSize>& size);
    bool hovering() const { return hovering_; }
    void setHovering(bool hovering);
    // "Copied" shows.
    bool copied() const { return copied_; }
    void setCopied(bool copied);

    void perform(ThumbnailAction action) { Q_EMIT performRequested(action); }

Q_SIGNALS:
    void changed();
    void performRequested(ThumbnailAction action);

private:
    std::optional<QSize> pixelSize_;
    bool hovering_ = false;
    bool copied_ = false;
};

} // namespace quorvane
