#pragma once

// The windows of one scrolling capture: the outline around the region and the heads-up panel
// beside it. Our other windows over the region (the editor, pins, Recognized Text) are put away
// while the capture runs and come back when it ends, so that no frame has to take them off the
// screen.

#include "scrolling/ScrollHUDModel.h"

#include <QPointer>
#include <QRectF>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace quorvane {

class ScrollHUDPanel;
class ScrollOutlineWindow;

class ScrollCaptureWindows {
public:
    ScrollCaptureWindows();
    ~ScrollCaptureWindows();
    ScrollCaptureWindows(const ScrollCaptureWindows&) = delete;
    ScrollCaptureWindows& operator=(const ScrollCaptureWindows&) = delete;

    // Our shown windows that could lie over a region; by default every visible top-level window.
    std::function<std::vector<QWidget*>()> ownWindows;

    // Shows the outline around `region` and the panel beside it on the display whose usable area
    // is `visible` (the region itself when there is none); the panel's frame in global points.
    QRectF show(const QRectF& region, const std::optional<QRectF>& visible, ScrollHUDModel& model,
                std::function<bool()> reduceMotion);
    // Removes both and brings back what show() put away.
    void hide();

    ScrollHUDPanel* panel() const;
    ScrollOutlineWindow* outline() const { return outline_.get(); }

private:
    std::unique_ptr<ScrollOutlineWindow> outline_;
    // Deleted on a later turn: hide() may run inside a click on one of its buttons.
    QPointer<ScrollHUDPanel> panel_;
    std::vector<QPointer<QWidget>> putAway_;
};

} // namespace quorvane
