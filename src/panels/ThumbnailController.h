#pragma once

// The floating thumbnail after a capture: a small card at the bottom right of the pointer's
// screen with copy, save, pin, edit and close, a file drag, and a countdown that closes it unless
// the pointer rests on it. The shell owns one for the process, answers copy and the export check,
// and listens to the other actions. GUI thread.

#include "capture/CaptureDelay.h"
#include "core/Required.h"
#include "panels/ThumbnailAction.h"
#include "panels/ThumbnailModel.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <optional>

class QDrag;
class QScreen;
class QVariantAnimation;

namespace quorvane {

class AccessibilityOptions;
class Beeper;
class DragExporter;
class SymbolIcons;
class ThumbnailPanel;

class ThumbnailController : public QObject {
    Q_OBJECT

public:
    using Action = ThumbnailAction;
    // Runs a prepared drag and answers what the receiver did; QDrag::exec by default.
    using DragRunner = std::function<Qt::DropAction(QDrag& drag)>;

    // What the shell answers, both given.
    struct Actions {
        // Starts a copy of the shown capture. False when it failed at once (nothing was copied);
        // a copy that runs in the background counts as started.
        Required<bool()> copy;
        // Asked before an export leaves the thumbnail: the button's action, none for a file drag.
        Required<bool(std::optional<Action>)> mayExport;
    };

    static constexpr double dragThreshold = 4;
    static constexpr int edgeMargin = 16;
    static constexpr int slideDistance = 40;
    static constexpr int slideMilliseconds = 220;

    // The services outlive the controller.
    ThumbnailController(const SymbolIcons& icons, Beeper& beeper, const AccessibilityOptions& accessibility,
                        Actions actions, QObject* parent = nullptr);
    ~ThumbnailController() override;

    Actions actions;
    // 0 or less: no auto-dismiss.
    double autoDismissSeconds = 8.0;
    double copyFeedbackSeconds = 0.8;
    // Without one no file drag starts.
    DragExporter* dragExporter = nullptr;
    // The timers' clock; a QTimer by default.
    CaptureDelay::Sleep sleep;
    DragRunner dragRunner;

    // The panel's size in points for an image of `pixels`, margins included.
    static QSize panelSize(QSize pixels);
    // Bottom right of `area` with 16-point margins.
    static QRect panelFrame(QSize panel, const QRect& area);

    // Shows `image` on `screen` (the primary screen when null), or replaces the one shown.
    void show(const QImage& image, QScreen* screen);
    // Closes the thumbnail; harmless when nothing is shown.
    void dismiss();
    void perform(Action action);

    bool isShown() const { return !image_.isNull(); }
    const QImage& image() const { return image_; }
    bool isHovering() const { return hovering_; }
    bool isDragging() const { return dragging_; }
    bool timerPending() const { return static_cast<bool>(cancelTimer_); }
    int generation() const { return generation_; }
    ThumbnailModel& model() { return model_; }
    // Made on the first show and kept.
    ThumbnailPanel* panel() const;

    // The steps of a file drag, started by the panel at `point` of `view`.
    void beginDrag(const QPointF& point, QWidget* view);
    bool mayStartDrag() const;
    void setHovering(bool hovering);
    void dragEnded(Qt::DropAction action);

Q_SIGNALS:
    void saveRequested();
    void editRequested();
    void pinRequested();
    void dismissed();

private:
    ThumbnailPanel* makePanel();
    void restartTimer();
    void startTimer(double seconds);
    void cancelTimer();

    const SymbolIcons& icons_;
    Beeper& beeper_;
    const AccessibilityOptions& accessibility_;
    ThumbnailModel model_;
    QPointer<ThumbnailPanel> panel_;
    QImage image_;
    bool hovering_ = false;
    bool dragging_ = false;
    int generation_ = 0;
    int dragGeneration_ = 0;
    std::function<void()> cancelTimer_;
    QPointer<QVariantAnimation> slide_;
};

} // namespace quorvane
