#include "panels/PinPanel.h"

#include "export/ImageExporter.h"
#include "panels/FloatingPanel.h"
#include "panels/PinController.h"
#include "panels/PinView.h"
#include "panels/RoundedOutline.h"
#include "platform/Beeper.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <cmath>

namespace quorvane {
namespace {

int percent(double value) {
    return int(std::round(value * 100));
}

} // namespace

PinPanel::PinPanel(PinController& controller, const QImage& image, const QRectF& frame, const QSizeF& actual,
                   const SymbolIcons& icons, const AccessibilityOptions& accessibility)
    : controller_(&controller), image_(image), pixelSize_(image.size()), actualSize_(actual) {
    fitZoom_ = zoom_ = actual.width() > 0 ? frame.width() / actual.width() : 1.0;
    FloatingPanel::prepare(*this, QString::fromLatin1(title), FloatingPanel::Focus::accepted);
    new RoundedOutline(*this, 0, PinView::cornerRadius);
    setFocusPolicy(Qt::StrongFocus);
    view_ = new PinView(*this, icons, accessibility, this);
    view_->setImage(image_);
    view_->setAccessibleName(accessibilityDescription());
    setFocusProxy(view_);
    setFrame(frame);
}

PinPanel::~PinPanel() = default;

void PinPanel::setFrame(const QRectF& frame) {
    frame_ = frame;
    // Windows sit on whole points; the unrounded frame keeps repeated zooms from drifting.
    setGeometry(QRect(int(std::round(frame.x())), int(std::round(frame.y())),
                      std::max(1, int(std::round(frame.width()))),
                      std::max(1, int(std::round(frame.height())))));
}

void PinPanel::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Moved by the window manager (a drag): the frame follows.
    if (pos() != QPoint(int(std::round(frame_.x())), int(std::round(frame_.y())))) frame_.moveTopLeft(pos());
}

void PinPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_->setGeometry(rect());
}

void PinPanel::setZoom(double zoom, const std::optional<QPointF>& anchorPoint) {
    zoom_ = std::isfinite(zoom) ? std::clamp(zoom, minZoom, maxZoom) : 1.0;
    const QPointF anchor = anchorPoint.value_or(frame_.center());
    const QSizeF size = actualSize_ * zoom_;
    const double fx = frame_.width() > 0 ? (anchor.x() - frame_.x()) / frame_.width() : 0.5;
    const double fy = frame_.height() > 0 ? (anchor.y() - frame_.y()) / frame_.height() : 0.5;
    setFrame(
        QRectF(anchor.x() - size.width() * fx, anchor.y() - size.height() * fy, size.width(), size.height()));
    view_->setAccessibleName(accessibilityDescription());
    view_->showBadge(QString::number(percent(zoom_)) + QStringLiteral("%"));
}

void PinPanel::setOpacity(double opacity) {
    setWindowOpacity(std::isfinite(opacity) ? std::clamp(opacity, minOpacity, 1.0) : 1.0);
    view_->showBadge(QStringLiteral("Opacity ") + QString::number(percent(windowOpacity())) +
                     QStringLiteral("%"));
}

QString PinPanel::accessibilityDescription() const {
    return QStringLiteral("Pinned screenshot, ") + QString::number(pixelSize_.width()) +
           QStringLiteral(" by ") + QString::number(pixelSize_.height()) + QStringLiteral(" pixels, zoom ") +
           QString::number(percent(zoom_)) + QStringLiteral(" percent");
}

QMenu* PinPanel::contextMenu() {
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("Copy Image"), this, &PinPanel::copyImage);
    QMenu* zoomMenu = menu->addMenu(QStringLiteral("Zoom"));
    for (int value : {50, 100, 200})
        zoomMenu->addAction(QString::number(value) + QStringLiteral("%"), this,
                            [this, value] { zoomTo(value); });
    zoomMenu->addAction(QStringLiteral("Fit"), this, [this] { zoomTo(0); });
    QMenu* opacityMenu = menu->addMenu(QStringLiteral("Opacity"));
    for (int value : {100, 75, 50, 25}) {
        QAction* item = opacityMenu->addAction(QString::number(value) + QStringLiteral("%"), this,
                                               [this, value] { opacityTo(value); });
        item->setCheckable(true);
        item->setChecked(percent(windowOpacity()) == value);
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("Edit in Quorvane"), this, &PinPanel::editImage);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Close Pin"), this, &PinPanel::closePin);
    menu->addAction(QStringLiteral("Close All Pins"), this, [this] {
        if (controller_) controller_->closeAll();
    });
    return menu;
}

void PinPanel::zoomTo(int value) {
    setZoom(value != 0 ? value / 100.0 : fitZoom_);
}

void PinPanel::opacityTo(int value) {
    setOpacity(value / 100.0);
}

void PinPanel::copyImage() {
    const PinController* controller = controller_;
    if (controller == nullptr) return;
    if (image_.isNull()) return controller->beeper().beep();
    auto png = ImageExporter::encode(image_, ImageExporter::Format::png, 0.9);
    if (!png || !ImageExporter::write(*png, controller->clipboard())) controller->beeper().beep();
}

void PinPanel::editImage() {
    if (controller_ && !image_.isNull()) controller_->edit(image_);
}

void PinPanel::closePin() {
    if (controller_) return controller_->close(this);
    release();
    hide();
}

void PinPanel::release() {
    image_ = QImage();
    view_->setImage(QImage());
}

void PinPanel::keyPressEvent(QKeyEvent* event) {
    // Exactly Ctrl+W: with Shift or Alt as well it is some other command.
    const bool closeKey = event->key() == Qt::Key_Escape ||
                          (event->key() == Qt::Key_W && event->modifiers() == Qt::ControlModifier);
    if (!closeKey) return QWidget::keyPressEvent(event);
    event->accept();
    closePin();
}

void PinPanel::contextMenuEvent(QContextMenuEvent* event) {
    // The right click's press has opened it already.
    if (event->reason() != QContextMenuEvent::Keyboard) return QWidget::contextMenuEvent(event);
    event->accept();
    QMenu* menu = contextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(mapToGlobal(rect().center()));
}

void PinPanel::closeEvent(QCloseEvent* event) {
    // The window manager's close goes through the controller like every other.
    QWidget::closeEvent(event);
    if (controller_ && !image_.isNull()) controller_->close(this);
}

} // namespace quorvane
