#pragma once

// The captures of a rectangle dragged over a frozen image of one display: an ordinary area (saved
// for Repeat Area), an area for text recognition, an area added to the open image, and the area a
// scrolling capture will scroll. Repeat Area takes the saved area again without the picker, but
// only while every display is as it was when the area was picked; any change forgets the area.

#include "capture/CaptureService.h"
#include "capture/CaptureTask.h"
#include "capture/DisplayTopology.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

namespace quorvane {

class CaptureController;

class AreaCaptures {
public:
    explicit AreaCaptures(CaptureController& controller) : controller_(controller) {}

    bool canRepeat() const { return lastArea_.has_value(); }

    void captureArea();
    void captureOCRArea();
    void captureAreaAsOverlay();
    void captureScrollingArea();
    // Nothing at all without a saved area.
    void repeatArea();

private:
    struct SavedArea {
        QRectF rect;
        DisplayID displayID = 0;
        DisplayTopology topology;
    };
    struct PickedArea {
        QImage image;
        QRectF rect;
        DisplayID displayID = 0;
        DisplayTopology topology;
    };
    enum class Use { document, recognition, overlay, scrolling };

    void capture(Use use, const QString& status);
    // The picked area, cropped from the same frozen screenshot the user saw while picking.
    void selectArea(CaptureTask& task, const QPointF& point, std::function<void(PickedArea)> next);
    // False, after forgetting the saved area and failing the task, when the displays changed.
    bool validateTopology(CaptureTask& task, const DisplayTopology& saved, const ShareableContent& current);
    void setLastArea(std::optional<SavedArea> area);

    CaptureController& controller_;
    std::optional<SavedArea> lastArea_;
};

} // namespace quorvane
