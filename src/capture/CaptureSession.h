#pragma once

// What one capture knows while it runs: what it was asked to take (read when it was asked, not
// when its step runs), what its steps have found so far, and the one answer it waits for. The
// capture controller's steps share it; it lives from the start of a capture to its end, so that
// an answer arriving after the end finds it gone.

#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureService.h"
#include "capture/DisplayTopology.h"
#include "imaging/CaptureGeometry.h"

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QScreen>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

struct CaptureSession {
    enum class Kind {
        // Only the listing: the window picker's windows, the editor's Retry.
        refreshTargets,
        display,
        window,
        // The areas dragged over a frozen image of one display, by what becomes of them.
        area,
        recognitionArea,
        overlayArea,
        scrollingArea,
        repeatArea,
    };
    // What the capture waits for; a cancellation ends each in its own way.
    enum class Waiting { nothing, turn, countdown, listing, screenshot, picker, question };

    // An area Repeat Area takes again, with the displays as they were when it was picked.
    struct Area {
        QRectF rect;
        DisplayID displayID = 0;
        DisplayTopology topology;
    };

    Kind kind = Kind::display;
    std::optional<int> oneShotDelay;
    std::optional<QString> note;
    QPointF pointer;
    WindowID chosenWindow = 0;
    // The saved area of a repeat; the picked one of an area capture.
    Area area;

    int secondsLeft = 0;
    std::function<void()> stopSleep;
    // The display being captured, its screen and its pixels per point.
    QPointer<QScreen> screen;
    CaptureGeometry geometry;
    double scale = 1.0;
    // The whole display as the user saw it while picking (or as a repeat took it).
    QImage frozen;
    AreaSelectionOverlay::SelectionID selection = 0;
    // Set when a cancelled capture takes its image back from the document handover.
    std::shared_ptr<bool> withdrawn = std::make_shared<bool>(false);
    QString capturedSize;

    Waiting waiting = Waiting::nothing;
    // Numbers the waits, so that only the answer to the pending one counts.
    std::uint64_t waitID = 0;
    QTimer timeout;
    bool cancelled = false;
    bool ended = false;
};

} // namespace quorvane
