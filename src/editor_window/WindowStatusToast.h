#pragma once

#include "editor_window/StatusToastChoice.h"
#include "editor_window/ToastView.h"

#include <QPointer>
#include <QWidget>

class QPushButton;

namespace quorvane {

class AccessibilityOptions;
class CaptureController;
class ExportController;
class SymbolIcons;

// The editor window's one status capsule: the countdown with Cancel, a capture error with Retry
// and Dismiss, or the last export message. Each kind of toast is a capsule of its own, so moving
// from one to another starts afresh.
class WindowStatusToast : public QWidget {
    Q_OBJECT

public:
    WindowStatusToast(CaptureController& capture, ExportController& exporter,
                      const AccessibilityOptions& accessibility, const SymbolIcons& icons,
                      QWidget* parent = nullptr);

    // Handed to every capsule; tests fire the hide timers themselves.
    void setScheduler(ToastView::Scheduler scheduler);
    // The widest the capsule may be; handed to every capsule.
    void setAvailableWidth(int width);

    const StatusToastChoice& choice() const { return choice_; }
    // None while the choice is "no toast".
    ToastView* toast() const { return toast_; }
    QPushButton* button(const QString& title) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void sizeChanged();

private:
    void refresh();
    void rebuild();
    QWidget* accessory();

    CaptureController& capture_;
    ExportController& exporter_;
    const AccessibilityOptions& accessibility_;
    const SymbolIcons& icons_;
    ToastView::Scheduler scheduler_;
    StatusToastChoice choice_;
    // The export message changed while no toast showed.
    bool exportMessageUnseen_ = false;
    int availableWidth_ = 0;
    QPointer<ToastView> toast_;
};

} // namespace quorvane
