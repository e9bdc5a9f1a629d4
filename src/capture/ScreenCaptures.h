#pragma once

// The captures that need no area picker: the whole display under the pointer and the window
// chosen in the window picker. Also the steps the area captures take the same way: the display
// under a point, the display filter that leaves this program's own windows out, the screenshot.

#include "capture/CaptureService.h"
#include "capture/CaptureTask.h"
#include "core/Error.h"
#include "core/Result.h"

#include <QImage>
#include <QPointF>
#include <QString>
#include <functional>

namespace quorvane {

class CaptureController;

class ScreenCaptures {
public:
    explicit ScreenCaptures(CaptureController& controller) : controller_(controller) {}

    void captureDisplay();
    void captureWindow();

    // The first listed display that holds `point`, else the main display; none without either.
    static const CaptureDisplay* displayAt(const ShareableContent& content, const QPointF& point);
    // The display without this program's windows, except those the shell names.
    ContentFilter displayFilter(const CaptureDisplay& display, const ShareableContent& content) const;
    void screenshot(CaptureTask& task, const ContentFilter& filter, std::function<void(QImage)> next);

private:
    // What to take from the fresh listing, or why there is nothing to take.
    using Choice = std::function<Result<ContentFilter, Error>(const ShareableContent&)>;
    void capture(const QString& status, Choice choose);

    CaptureController& controller_;
};

} // namespace quorvane
