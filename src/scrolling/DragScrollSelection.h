#pragma once

// One drag-to-select start of a scrolling capture: connects the tracker to the event tap, the
// overlay and the button poll, and reports the outcome to the capture controller.

#include "scrolling/DragEventTapping.h"
#include "scrolling/DragScrollTracker.h"
#include "scrolling/DragSelectionPresenting.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

class DragScrollSelection : public QObject {
    Q_OBJECT

public:
    // `buttonDown` tells whether the left button is held now; polled every `pollInterval` to
    // notice a release that never reached the tap.
    DragScrollSelection(DragScrollTracker tracker, DragEventTapping& tap, DragSelectionPresenting& presenter,
                        std::function<bool()> buttonDown,
                        std::chrono::milliseconds pollInterval = std::chrono::milliseconds(200),
                        QObject* parent = nullptr);
    ~DragScrollSelection() override;

    std::function<void(const QRectF&, const DragScrollDisplay&)> onSelect = [](const QRectF&,
                                                                               const DragScrollDisplay&) {};
    std::function<void(const QRectF&, const DragScrollDisplay&, DragScrollEdge)> onLock =
        [](const QRectF&, const DragScrollDisplay&, DragScrollEdge) {};
    std::function<void(std::optional<DragScrollEdge>)> onZone = [](std::optional<DragScrollEdge>) {};
    std::function<void()> onFinish = [] {};
    std::function<void()> onCancel = [] {};

    // Starts the tap, shows the hint and watches the displays; false when already active, used up,
    // or the tap could not start.
    bool begin();
    // Idempotent.
    void end();

    bool isActive() const { return active_; }
    const DragScrollTracker& tracker() const { return tracker_; }

    void handle(const DragScrollEvent& event);
    // One look at the button; two in a row that see it up while dragging stand for the release.
    void poll();

private:
    DragScrollTracker tracker_;
    DragEventTapping& tap_;
    DragSelectionPresenting& presenter_;
    std::function<bool()> buttonDown_;
    bool active_ = false;
    bool missedRelease_ = false;
    QTimer pollTimer_;
    std::vector<QMetaObject::Connection> observers_;
};

} // namespace quorvane
