#include "panels/ThumbnailPanel.h"

#include "panels/FloatingPanel.h"
#include "panels/RoundedOutline.h"
#include "panels/ThumbnailContentView.h"
#include "panels/ThumbnailController.h"

#include <QCoreApplication>
#include <cmath>

namespace quorvane {

ThumbnailPanel::ThumbnailPanel(ThumbnailController& controller, ThumbnailModel& model,
                               const SymbolIcons& icons, const AccessibilityOptions& accessibility)
    : controller_(controller) {
    FloatingPanel::prepare(*this, QString::fromLatin1(title), FloatingPanel::Focus::never);
    new RoundedOutline(*this, ThumbnailContentView::margin, ThumbnailContentView::cornerRadius);
    content_ = new ThumbnailContentView(model, icons, accessibility, this);
    connect(content_, &ThumbnailContentView::hoverChanged, this, &ThumbnailPanel::hoverChanged);
    watch(content_);
    for (QWidget* child : content_->findChildren<QWidget*>())
        watch(child);
}

ThumbnailPanel::~ThumbnailPanel() = default;

void ThumbnailPanel::watch(QWidget* widget) {
    widget->installEventFilter(this);
}

void ThumbnailPanel::setImage(const QImage& image) {
    content_->setImage(image);
}

void ThumbnailPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    content_->setGeometry(rect());
}

bool ThumbnailPanel::eventFilter(QObject* watched, QEvent* event) {
    if (replaying_) return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        if (mouse->button() != Qt::LeftButton || !controller_.mayStartDrag()) return false;
        held_.reset(mouse->clone());
        heldTarget_ = qobject_cast<QWidget*>(watched);
        return true;
    }
    if (!held_) return false;
    if (type == QEvent::MouseMove) {
        if (!(mouse->buttons() & Qt::LeftButton)) return false;
        const QPointF delta = mouse->globalPosition() - held_->globalPosition();
        if (std::hypot(delta.x(), delta.y()) >= ThumbnailController::dragThreshold) {
            held_.reset();
            heldTarget_ = nullptr;
            controller_.beginDrag(content_->mapFromGlobal(mouse->globalPosition()), content_);
        }
        return true;
    }
    if (mouse->button() != Qt::LeftButton) return false;
    // A press without a drag is a click after all: deliver it, then the release.
    std::unique_ptr<QMouseEvent> press = std::move(held_);
    QPointer<QWidget> target = heldTarget_;
    heldTarget_ = nullptr;
    if (target) {
        replaying_ = true;
        QCoreApplication::sendEvent(target, press.get());
        replaying_ = false;
    }
    return false;
}

} // namespace quorvane
