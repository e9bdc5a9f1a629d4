// Area captures between the listing and the hand-over: the display the area is picked on, the
// check that the displays are still as they were when the user saw them, and the crop with the
// outcome of each kind of area.

#include "capture/CaptureController.h"
#include "capture/CaptureTargets.h"

#include <utility>

namespace quorvane {

void CaptureController::areaTargetsListed(const ShareableContent& content) {
    Session& s = *session_;
    if (s.kind == Kind::repeatArea) {
        if (!displaysUnchanged(s.area.topology, content)) return;
        const CaptureDisplay* display = content.display(s.area.displayID);
        if (display == nullptr)
            return failCapture(failure(QStringLiteral("Display is unavailable. Select an area again.")));
        const ContentFilter filter = displayFilter(*display, content);
        s.geometry = CaptureGeometry{display->frame, filter.pointPixelScale()};
        return takeScreenshot(filter);
    }
    const CaptureDisplay* display = CaptureTargets::displayAt(content, s.pointer);
    s.screen = display != nullptr ? screenFor(*display) : nullptr;
    if (s.screen == nullptr)
        return failCapture(failure(QStringLiteral("Display is unavailable. Retry capture.")));
    const ContentFilter filter = displayFilter(*display, content);
    s.area.displayID = display->displayID;
    s.area.topology = topology(content);
    s.geometry = CaptureGeometry{display->frame, filter.pointPixelScale()};
    takeScreenshot(filter);
}

void CaptureController::areaPicked(QRectF rect) {
    session_->area.rect = rect;
    listTargets(&CaptureController::displaysListedAgain);
}

// A display that changed since the screenshot would give other pixels than those the user saw.
void CaptureController::displaysListedAgain(ShareableContent content) {
    offerWindows(content);
    Session& s = *session_;
    if (!displaysUnchanged(s.area.topology, content) || !stillRunning()) return;
    std::optional<QImage> cropped = s.geometry.crop(s.frozen, s.area.rect);
    if (!cropped)
        return failCapture(failure(
            s.kind == Kind::repeatArea
                ? QStringLiteral(
                      "The saved area no longer matches the captured display. Select an area again.")
                : QStringLiteral(
                      "The selected area no longer matches the captured display. Select an area again.")));
    switch (s.kind) {
    case Kind::repeatArea:
        setLastCaptureFrame(s.area.rect);
        return handOver(*cropped);
    case Kind::area:
        setLastArea(s.area);
        setLastCaptureFrame(s.area.rect);
        return handOver(*cropped);
    case Kind::recognitionArea:
        return handOver(*cropped);
    case Kind::overlayArea:
        if (!stillRunning()) return;
        setStatus(QStringLiteral("Added ") + pixelSize(*cropped) + QStringLiteral(" pixels to the image."));
        Q_EMIT overlayImageCaptured(*cropped, s.scale);
        break;
    case Kind::scrollingArea:
        Q_EMIT scrollRegionPicked(s.area.rect, s.area.displayID, s.scale);
        break;
    case Kind::refreshTargets:
    case Kind::display:
    case Kind::window:
        break;
    }
    if (stillRunning()) endCapture();
}

bool CaptureController::displaysUnchanged(const DisplayTopology& saved, const ShareableContent& current) {
    if (topologyMatches(saved, topology(current))) return true;
    setLastArea(std::nullopt);
    failCapture(failure(QStringLiteral("Display arrangement or resolution changed. Select an area again.")));
    return false;
}

void CaptureController::setLastArea(std::optional<Session::Area> area) {
    const bool could = canRepeatArea();
    lastArea_ = std::move(area);
    if (could != canRepeatArea()) Q_EMIT canRepeatAreaChanged();
}

} // namespace quorvane
