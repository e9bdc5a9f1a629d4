#include "capture/AreaCaptures.h"

#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureController.h"
#include "imaging/CaptureGeometry.h"

#include <QPointer>
#include <QScreen>
#include <memory>
#include <utility>

namespace quorvane {

void AreaCaptures::captureArea() {
    capture(Use::document, QStringLiteral("Preparing area capture…"));
}

void AreaCaptures::captureOCRArea() {
    capture(Use::recognition, QStringLiteral("Preparing text recognition area…"));
}

void AreaCaptures::captureAreaAsOverlay() {
    capture(Use::overlay, QStringLiteral("Select an area to add to the image…"));
}

void AreaCaptures::captureScrollingArea() {
    capture(Use::scrolling, QStringLiteral("Select the area you will scroll…"));
}

void AreaCaptures::capture(Use use, const QString& status) {
    CaptureController& c = controller_;
    if (use == Use::overlay && c.document() == nullptr) return;
    const QPointF pointer = c.pointerPosition();
    c.run(status, use == Use::recognition, [this, &c, use, pointer](CaptureTask& task, auto done) {
        CaptureTask* running = &task;
        selectArea(task, pointer, [this, &c, running, use, done](PickedArea picked) {
            switch (use) {
            case Use::document:
                setLastArea(SavedArea{picked.rect, picked.displayID, std::move(picked.topology)});
                c.setLastCaptureFrame(picked.rect);
                return done(std::move(picked.image));
            case Use::recognition:
                return done(std::move(picked.image));
            case Use::overlay:
                if (!running->check()) return;
                c.setStatus(QStringLiteral("Added ") + CaptureController::pixelSize(picked.image) +
                            QStringLiteral(" pixels to the image."));
                c.onOverlayImage(picked.image, c.captureScale_);
                return done(std::nullopt);
            case Use::scrolling:
                c.onScrollRegion(picked.rect, picked.displayID, c.captureScale_);
                return done(std::nullopt);
            }
        });
    });
}

void AreaCaptures::selectArea(CaptureTask& task, const QPointF& point, std::function<void(PickedArea)> next) {
    CaptureController& c = controller_;
    CaptureTask* running = &task;
    c.countdown_.waitForDelay(task, [this, &c, running, point, next = std::move(next)]() mutable {
        c.windowList_.load(*running, [this, &c, running, point,
                                      next = std::move(next)](ShareableContent content) mutable {
            const CaptureDisplay* display = ScreenCaptures::displayAt(content, point);
            QScreen* screen = display != nullptr ? c.screenFor(*display) : nullptr;
            if (screen == nullptr)
                return running->finish(
                    CaptureController::failure(QStringLiteral("Display is unavailable. Retry capture.")));
            const DisplayID displayID = display->displayID;
            DisplayTopology before = topology(content);
            const ContentFilter filter = c.screens_.displayFilter(*display, content);
            const CaptureGeometry geometry{display->frame, filter.pointPixelScale()};
            c.captureScale_ = geometry.scale;
            QPointer<QScreen> target(screen);
            c.screens_.screenshot(
                *running, filter,
                [this, &c, running, target, geometry, displayID, before = std::move(before),
                 next = std::move(next)](QImage frozen) mutable {
                    if (!running->check()) return;
                    c.setStatus(QStringLiteral("Drag to select an area. Press Escape to cancel."));
                    auto selection = std::make_shared<AreaSelectionOverlay::SelectionID>(0);
                    running->await<QRectF>(
                        [&c, running, selection, frozen, target,
                         geometry](CaptureTask::Completion<QRectF> done) {
                            *selection = c.overlay_.select(frozen, target.data(), geometry, c.activeNote_,
                                                           running->isCancelled(), std::move(done));
                        },
                        [this, &c, running, frozen, geometry, displayID, before = std::move(before),
                         next = std::move(next)](QRectF rect) mutable {
                            c.windowList_.load(*running, [this, running, frozen, geometry, displayID, rect,
                                                          before = std::move(before), next = std::move(next)](
                                                             const ShareableContent& after) mutable {
                                if (!validateTopology(*running, before, after) || !running->check()) return;
                                std::optional<QImage> cropped = geometry.crop(frozen, rect);
                                if (!cropped)
                                    return running->finish(CaptureController::failure(
                                        QStringLiteral("The selected area no longer matches the captured "
                                                       "display. Select an area again.")));
                                next(PickedArea{std::move(*cropped), rect, displayID, std::move(before)});
                            });
                        },
                        CaptureTask::Wait::aborting([&c, selection] { c.overlay_.cancel(*selection); }));
                });
        });
    });
}

void AreaCaptures::repeatArea() {
    if (!lastArea_) return;
    CaptureController& c = controller_;
    c.run(QStringLiteral("Repeating area capture…"), false,
          [this, &c, area = *lastArea_](CaptureTask& task,
                                        std::function<void(CaptureController::Outcome)> done) {
              CaptureTask* running = &task;
              c.countdown_.waitForDelay(task, [this, &c, running, area, done] {
                  c.windowList_.load(*running, [this, &c, running, area,
                                                done](const ShareableContent& content) {
                      if (!validateTopology(*running, area.topology, content)) return;
                      const CaptureDisplay* display = content.display(area.displayID);
                      if (display == nullptr)
                          return running->finish(CaptureController::failure(
                              QStringLiteral("Display is unavailable. Select an area again.")));
                      const ContentFilter filter = c.screens_.displayFilter(*display, content);
                      const CaptureGeometry geometry{display->frame, filter.pointPixelScale()};
                      c.captureScale_ = geometry.scale;
                      c.screens_.screenshot(
                          *running, filter, [this, &c, running, area, geometry, done](QImage image) {
                              c.windowList_.load(*running, [this, &c, running, area, geometry, done,
                                                            image = std::move(image)](
                                                               const ShareableContent& after) {
                                  if (!validateTopology(*running, area.topology, after) || !running->check())
                                      return;
                                  std::optional<QImage> cropped = geometry.crop(image, area.rect);
                                  if (!cropped)
                                      return running->finish(CaptureController::failure(QStringLiteral(
                                          "The saved area no longer matches the captured display. "
                                          "Select an area again.")));
                                  c.setLastCaptureFrame(area.rect);
                                  done(std::move(*cropped));
                              });
                          });
                  });
              });
          });
}

bool AreaCaptures::validateTopology(CaptureTask& task, const DisplayTopology& saved,
                                    const ShareableContent& current) {
    if (topologyMatches(saved, topology(current))) return true;
    setLastArea(std::nullopt);
    task.finish(CaptureController::failure(
        QStringLiteral("Display arrangement or resolution changed. Select an area again.")));
    return false;
}

void AreaCaptures::setLastArea(std::optional<SavedArea> area) {
    const bool could = canRepeat();
    lastArea_ = std::move(area);
    if (could != canRepeat()) Q_EMIT controller_.canRepeatAreaChanged();
}

} // namespace quorvane
