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

Q_SIGNALS:
    // A release selected `region`; the selection has ended.
    void selected(const QRectF& region, const DragScrollDisplay& display);
    // The drag reached a screen edge and locked the region that scrolls that way.
    void locked(const QRectF& region, const DragScrollDisplay& display, DragScrollEdge edge);
    // The pointer entered or left an edge zone.
    void zoneChanged(std::optional<DragScrollEdge> edge);
    // A locked drag was released, or the selection was given up; it has ended either way.
    void finished();
    void cancelled();

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
