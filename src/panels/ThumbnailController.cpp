#include "panels/ThumbnailController.h"

#include "core/AccessibilityOptions.h"
#include "export/DragExporter.h"
#include "panels/ThumbnailPanel.h"
#include "platform/Beeper.h"

#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <QVariantAnimation>
#include <cmath>

namespace quorvane {

ThumbnailController::ThumbnailController(const SymbolIcons& icons, Beeper& beeper,
                                         const AccessibilityOptions& accessibility, Actions given,
                                         QObject* parent)
    : QObject(parent), actions(std::move(given)), sleep(CaptureDelay::timerSleep()),
      dragRunner([](QDrag& drag) { return drag.exec(Qt::CopyAction, Qt::CopyAction); }), icons_(icons),
      beeper_(beeper), accessibility_(accessibility) {
    connect(&model_, &ThumbnailModel::performRequested, this, &ThumbnailController::perform);
}

ThumbnailController::~ThumbnailController() {
    cancelTimer();
    delete panel_;
}

ThumbnailPanel* ThumbnailController::panel() const {
    return panel_;
}

QSize ThumbnailController::panelSize(QSize pixels) {
    const double w = pixels.width(), h = pixels.height();
    if (w < 1 || h < 1) return {132, 84};
    // Fits 280 × 180 points, scaled up as well as down; 12 is the 6-point margin on each side.
    const double s = std::min(280 / w, 180 / h);
    return {int(std::max(std::round(w * s), 120.0)) + 12, int(std::max(std::round(h * s), 72.0)) + 12};
}

QRect ThumbnailController::panelFrame(QSize panel, const QRect& area) {
    // The area's right edge is x + width: QRect::right() is one pixel short of it.
    return {area.x() + area.width() - edgeMargin - panel.width(),
            area.y() + area.height() - edgeMargin - panel.height(), panel.width(), panel.height()};
}

ThumbnailPanel* ThumbnailController::makePanel() {
    auto* panel = new ThumbnailPanel(*this, model_, icons_, accessibility_);
    panel_ = panel;
    connect(panel, &ThumbnailPanel::hoverChanged, this, &ThumbnailController::setHovering);
    return panel;
}

void ThumbnailController::show(const QImage& image, QScreen* screen) {
    if (image.isNull()) return;
    ThumbnailPanel* panel = panel_;
    const bool wasVisible = panel != nullptr && panel->isVisible();
    image_ = image;
    ++generation_;
    model_.setPixelSize(image.size());
    model_.setCopied(false);
    if (panel == nullptr) panel = makePanel();
    panel->setImage(image);

    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    const QRect frame = panelFrame(panelSize(image.size()), area);
    if (QVariantAnimation* running = slide_) running->stop();
    if (!wasVisible && !accessibility_.reduceMotion()) {
        panel->setWindowOpacity(0);
        panel->setGeometry(frame.translated(slideDistance, 0));
        panel->show();
        auto* slide = new QVariantAnimation(this);
        slide->setDuration(slideMilliseconds);
        slide->setEasingCurve(QEasingCurve::OutCubic);
        slide->setStartValue(0.0);
        slide->setEndValue(1.0);
        // Runs only while the panel lives: it is the connection's context.
        connect(slide, &QVariantAnimation::valueChanged, panel, [panel, frame](const QVariant& value) {
            const double progress = value.toDouble();
            panel->move(frame.x() + int(std::lround(slideDistance * (1 - progress))), frame.y());
            panel->setWindowOpacity(progress);
        });
        slide_ = slide;
        slide->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        panel->setWindowOpacity(1);
        panel->setGeometry(frame);
        panel->show();
    }
    panel->raise();
    restartTimer();
}

void ThumbnailController::dismiss() {
    cancelTimer();
    ThumbnailPanel* panel = panel_;
    if (panel == nullptr) return;
    if (!panel->isVisible() && image_.isNull()) return;
    if (QVariantAnimation* slide = slide_) slide->stop();
    panel->hide();
    image_ = QImage();
    ++generation_;
    panel->setImage(QImage());
    model_.setPixelSize(std::nullopt);
    model_.setCopied(false);
    hovering_ = false;
    model_.setHovering(false);
    // A drag that still runs ends through dragEnded.
    Q_EMIT dismissed();
}

void ThumbnailController::perform(Action action) {
    if (image_.isNull()) return;
    if (action == Action::close) return dismiss();
    if (model_.copied()) return;
    // Opening the editor exports nothing, so it is never refused.
    if (action != Action::edit && !actions.mayExport(action)) return beeper_.beep();
    switch (action) {
    case Action::copy: {
        const int before = generation_;
        const bool started = actions.copy();
        // The shell dismissed the card itself (a stale document) and has beeped already.
        if (generation_ != before || image_.isNull()) return;
        // A copy that failed at once must not read as "Copied".
        if (!started) return beeper_.beep();
        cancelTimer();
        model_.setCopied(true);
        startTimer(copyFeedbackSeconds);
        return;
    }
    case Action::save:
        Q_EMIT saveRequested();
        break;
    case Action::edit:
        Q_EMIT editRequested();
        break;
    case Action::pin:
        Q_EMIT pinRequested();
        break;
    case Action::close:
        break;
    }
    dismiss();
}

void ThumbnailController::setHovering(bool hovering) {
    if (hovering == hovering_) return;
    hovering_ = hovering;
    model_.setHovering(hovering);
    restartTimer();
}

void ThumbnailController::restartTimer() {
    // The "Copied" feedback keeps its own delay.
    if (model_.copied()) return;
    cancelTimer();
    if (autoDismissSeconds > 0 && !hovering_ && !dragging_ && !image_.isNull())
        startTimer(autoDismissSeconds);
}

void ThumbnailController::startTimer(double seconds) {
    cancelTimer();
    QPointer<ThumbnailController> self(this);
    cancelTimer_ = sleep(int(std::lround(seconds * 1000)), [self] {
        ThumbnailController* controller = self;
        if (controller == nullptr) return;
        controller->cancelTimer_ = nullptr;
        controller->dismiss();
    });
}

void ThumbnailController::cancelTimer() {
    if (auto cancel = std::exchange(cancelTimer_, nullptr)) cancel();
}

bool ThumbnailController::mayStartDrag() const {
    return dragExporter != nullptr && !image_.isNull() && !model_.copied() && !dragging_;
}

void ThumbnailController::beginDrag(const QPointF& point, QWidget* view) {
    std::optional<QString> file;
    if (mayStartDrag() && actions.mayExport(std::nullopt)) {
        auto written = dragExporter->file(image_);
        if (written) file = *written;
    }
    if (!file || view == nullptr) return beeper_.beep();
    dragging_ = true;
    dragGeneration_ = generation_;
    cancelTimer();

    auto* drag = new QDrag(view);
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(*file)});
    drag->setMimeData(data);
    const QPixmap preview = DragExporter::preview(image_);
    const QRectF frame = DragExporter::draggingFrame(preview.deviceIndependentSize(), point);
    drag->setPixmap(preview);
    drag->setHotSpot((point - frame.topLeft()).toPoint());
    // The drag runs a nested event loop; the controller may be gone when it returns.
    QPointer<ThumbnailController> self(this);
    const Qt::DropAction action = dragRunner(*drag);
    if (self) dragEnded(action);
}

void ThumbnailController::dragEnded(Qt::DropAction action) {
    if (!dragging_) return;
    dragging_ = false;
    // Dropped somewhere, and still the same thumbnail: it has done its job.
    if (action != Qt::IgnoreAction && dragGeneration_ == generation_)
        dismiss();
    else
        restartTimer();
}

} // namespace quorvane
