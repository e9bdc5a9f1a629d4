#include "app/ScrollingCommands.h"

#include "app/Preferences.h"
#include "app/ScrollingSystem.h"
#include "capture/CaptureController.h"
#include "core/Log.h"
#include "scrolling/DragEventTapping.h"
#include "scrolling/DragScrollDisplay.h"
#include "scrolling/DragSelectionPresenting.h"
#include "scrolling/ScrollInjecting.h"
#include "scrolling/ScrollingCaptureController.h"

#include <QCursor>
#include <QPointer>
#include <QScreen>

namespace quorvane {

ScrollingCommands::ScrollingCommands(CaptureController& captures, CaptureService& service, Preferences& preferences,
                                     Announcer& announcer, std::unique_ptr<ScrollingSystem> system, QObject* parent)
    : QObject(parent), captures_(captures), service_(service), preferences_(preferences),
      system_(std::move(system)) {
    pointerPosition = [] { return QPointF(QCursor::pos()); };
    ScrollingSystem& parts = *system_;
    controller_ = std::make_unique<ScrollingCaptureController>(ScrollingCaptureController::Parts{
        service, parts.injector(), parts.probe(), parts.inputMonitor(), parts.keyMonitor(), announcer});
    ScrollingCaptureController& scrolling = *controller_;
    scrolling.makeDragTap = [&parts] { return parts.makeDragTap(); };
    scrolling.makeDragPresenter = [&parts] { return parts.makeDragPresenter(); };
    scrolling.buttonDown = [&parts] { return parts.buttonDown(); };
    scrolling.isPermissionError = &CaptureController::isPermissionError;
    scrolling.visibleFrame = [this](DisplayID display) { return visibleFrame(display); };
    connect(&scrolling, &ScrollingCaptureController::stateChanged, this, &ScrollingCommands::stateChanged);

    // The picked area of the fallback starts the capture.
    connect(&captures_, &CaptureController::scrollRegionPicked, this,
            [this](const QRectF& region, DisplayID display, double scale) {
                controller_->begin(region, display, scale);
            });
    scrolling.setAutoSpeed(preferences_.autoScrollSpeed());
    connect(&scrolling, &ScrollingCaptureController::autoSpeedChanged, this,
            [this](AutoScrollSpeed speed) { preferences_.setAutoScrollSpeed(speed); });
    // A speed chosen in the settings holds for the next run.
    connect(&preferences_, &Preferences::autoScrollSpeedChanged, this, [this] {
        if (controller_->autoSpeed() != preferences_.autoScrollSpeed())
            controller_->setAutoSpeed(preferences_.autoScrollSpeed());
    });
    connect(&scrolling, &ScrollingCaptureController::finished, this, &ScrollingCommands::finished);
    connect(&scrolling, &ScrollingCaptureController::cancelled, this, [this] {
        endedAt_ = now();
        Q_EMIT confirmation(QStringLiteral("Scrolling capture cancelled"));
    });
    connect(&scrolling, &ScrollingCaptureController::failed, this, [this](const QString& message) {
        endedAt_ = now();
        Q_EMIT editorRequested();
        captures_.setErrorIsRetryable(false);
        captures_.setErrorMessage(message);
    });
}

ScrollingCommands::~ScrollingCommands() {
    // The controller goes before the system parts it works through.
    controller_.reset();
}

void ScrollingCommands::finished(const ScrollingCaptureResult& result) {
    endedAt_ = now();
    captures_.openScrollingCapture(result.image, controller_->scale(),
                                   result.partial ? CaptureController::Stitching::stoppedEarly
                                                  : CaptureController::Stitching::complete,
                                   result.reason);
    Log::capture().log("Scrolling capture: {}x{} px, partial {}", result.image.width(), result.image.height(),
                       result.partial);
}

MenuState::Scrolling ScrollingCommands::state() const {
    if (controller_->isRunning()) return MenuState::Scrolling::running;
    if (controller_->hasDragSelection()) return MenuState::Scrolling::selectingRegion;
    return MenuState::Scrolling::none;
}

void ScrollingCommands::scrollingCapture() {
    ScrollingCaptureController& scrolling = *controller_;
    if (scrolling.isRunning()) {
        // A second press finishes; while the final image is made it does nothing.
        if (scrolling.phase() == ScrollingCaptureController::Phase::running) scrolling.complete();
        return;
    }
    if (scrolling.hasDragSelection()) {
        scrolling.cancel();
        return;
    }
    if (starting_ || (endedAt_ && now() - *endedAt_ < restartPause) || captures_.isBusy()) return;
    Q_EMIT thumbnailDismissRequested();
    // The displays first: the drag selection works on them, the panel is placed on one.
    starting_ = true;
    service_.targets([self = QPointer(this), pointer = pointerPosition()](Result<ShareableContent, Error> content) {
        if (self) self->start(std::move(content), pointer);
    });
}

void ScrollingCommands::start(Result<ShareableContent, Error> content, QPointF pointer) {
    starting_ = false;
    ScrollingCaptureController& scrolling = *controller_;
    if (scrolling.isRunning() || scrolling.hasDragSelection() || captures_.isBusy()) return;
    if (content) displays_ = content->displays;
    const bool trusted = system_->injector().trusted();
    if (trusted && content && service_.preflightAccess() &&
        scrolling.beginDragSelection(DragScrollDisplay::all(*content), pointer))
        return;
    scrolling.showsDragHint = !trusted;
    captures_.captureScrollingArea();
}

std::optional<QRectF> ScrollingCommands::visibleFrame(DisplayID display) const {
    for (const CaptureDisplay& known : displays_)
        if (known.displayID == display)
            if (const QScreen* screen = screenForDisplay(known)) return QRectF(screen->availableGeometry());
    return std::nullopt;
}

void ScrollingCommands::cancel() {
    controller_->cancel();
}

} // namespace quorvane
