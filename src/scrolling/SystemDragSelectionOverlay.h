#pragma once

// The drag selection's overlay: a click-through, override-redirect window over one display,
// above everything. Without a compositor the window is shaped to what it draws, so the rest of
// the desktop stays in view; the crosshair is the pointer grab's cursor.

#include "core/Required.h"
#include "scrolling/DragSelectionOverlayView.h"
#include "scrolling/DragSelectionPresenting.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

namespace quorvane {

class X11InputConnection;

class SystemDragSelectionOverlay final : public DragSelectionPresenting {
public:
    // `connection` shapes the window; null leaves it unshaped. `increaseContrast` is the desktop's
    // setting, read at each painting.
    SystemDragSelectionOverlay(X11InputConnection* connection, Required<bool()> increaseContrast);
    ~SystemDragSelectionOverlay() override;

    static QString title() { return QStringLiteral("Scrolling Capture Selection"); }

    void show(const std::optional<QRectF>& selection, const DragScrollDisplay& display) override;
    void hide() override;

    // The hint as announced once per showing (no announcement API in this Qt; tests read it).
    const QString& lastAnnouncement() const { return lastAnnouncement_; }
    int announcements() const { return announcements_; }
    QWidget* window() const { return window_; }
    Required<bool()> increaseContrast;

private:
    void announce(const QString& text);

    X11InputConnection* connection_;
    QPointer<QWidget> window_;
    DragSelectionOverlayView* view_ = nullptr;
    bool composited_ = false;
    QString lastAnnouncement_;
    int announcements_ = 0;
};

} // namespace quorvane
