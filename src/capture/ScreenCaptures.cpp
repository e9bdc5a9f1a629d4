#include "capture/ScreenCaptures.h"

#include "capture/CaptureController.h"
#include "core/Geometry.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>
#include <vector>

namespace quorvane {

void ScreenCaptures::captureDisplay() {
    const QPointF pointer = controller_.pointerPosition();
    capture(QStringLiteral("Capturing display…"),
            [this, pointer](const ShareableContent& content) -> Result<ContentFilter, Error> {
                const CaptureDisplay* display = displayAt(content, pointer);
                if (display == nullptr)
                    return Failure{
                        CaptureController::failure(QStringLiteral("Display is unavailable. Retry capture."))};
                return displayFilter(*display, content);
            });
}

void ScreenCaptures::captureWindow() {
    const WindowID chosen = controller_.selectedWindowID_;
    // The listing has just refreshed the offered windows; the chosen one must still be among them.
    capture(QStringLiteral("Capturing window…"),
            [this, chosen](const ShareableContent&) -> Result<ContentFilter, Error> {
                const std::vector<CaptureWindow>& windows = controller_.windows_;
                const auto found =
                    std::find_if(windows.begin(), windows.end(),
                                 [chosen](const CaptureWindow& w) { return w.windowID == chosen; });
                if (found == windows.end())
                    return Failure{CaptureController::failure(QStringLiteral(
                        "The selected window is no longer available. Choose another window and retry."))};
                return ContentFilter::forWindow(*found);
            });
}

void ScreenCaptures::capture(const QString& status, Choice choose) {
    controller_.run(status, false, [this, choose = std::move(choose)](CaptureTask& task, auto done) {
        controller_.setLastCaptureFrame(std::nullopt);
        CaptureTask* running = &task;
        controller_.countdown_.waitForDelay(task, [this, running, choose, done] {
            controller_.windowList_.load(*running, [this, running, choose, done](ShareableContent content) {
                const Result<ContentFilter, Error> filter = choose(content);
                if (!filter) return running->finish(filter.error());
                controller_.captureScale_ = filter->pointPixelScale();
                screenshot(*running, *filter, [done](QImage image) { done(std::move(image)); });
            });
        });
    });
}

const CaptureDisplay* ScreenCaptures::displayAt(const ShareableContent& content, const QPointF& point) {
    for (const CaptureDisplay& display : content.displays)
        if (geom::contains(display.frame, point)) return &display;
    return content.mainDisplay();
}

ContentFilter ScreenCaptures::displayFilter(const CaptureDisplay& display,
                                            const ShareableContent& content) const {
    const ProcessID own = QCoreApplication::applicationPid();
    std::vector<ProcessID> excluded;
    for (const CaptureApplication& application : content.applications)
        if (application.processID == own) excluded.push_back(application.processID);
    std::vector<WindowID> excepted;
    for (const CaptureWindow& window : content.windows) {
        const std::vector<WindowID> included = controller_.includedWindowIDs();
        if (std::find(included.begin(), included.end(), window.windowID) != included.end())
            excepted.push_back(window.windowID);
    }
    return ContentFilter::forDisplay(display, std::move(excluded), std::move(excepted));
}

void ScreenCaptures::screenshot(CaptureTask& task, const ContentFilter& filter,
                                std::function<void(QImage)> next) {
    CaptureTask::Wait wait = controller_.serviceWait();
    wait.timeoutError = CaptureService::error(CaptureService::grabFailed,
                                              QStringLiteral("The screen capture service did not answer."));
    task.await<QImage>(
        [this, filter](CaptureService::Completion<QImage> done) {
            controller_.service_.image(filter, std::move(done));
        },
        std::move(next), std::move(wait));
}

} // namespace quorvane
