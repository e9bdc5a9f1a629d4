#include "capture/WindowList.h"

#include "capture/CaptureController.h"
#include "capture/CaptureTargets.h"

#include <QCoreApplication>
#include <utility>

namespace quorvane {

void WindowList::load(CaptureTask& task, std::function<void(ShareableContent)> next) {
    CaptureController& c = controller_;
    task.await<ShareableContent>(
        [&c](CaptureService::Completion<ShareableContent> done) { c.service_.targets(std::move(done)); },
        [&c, next = std::move(next)](ShareableContent content) {
            c.setPermissionGranted(true);
            c.setWindows(CaptureTargets::capturableWindows(content, QCoreApplication::applicationPid()));
            c.setSelectedWindowID(CaptureTargets::keptSelection(c.windows_, c.selectedWindowID_));
            next(std::move(content));
        },
        c.serviceWait());
}

void WindowList::refresh() {
    controller_.run(QStringLiteral("Refreshing windows…"), false, [this](CaptureTask& task, auto done) {
        load(task, [this, done](const ShareableContent&) {
            controller_.setStatus(controller_.windows_.empty()
                                      ? QStringLiteral("No available windows. Try capturing a display.")
                                      : QStringLiteral("Choose a window to capture."));
            done(std::nullopt);
        });
    });
}

} // namespace quorvane
