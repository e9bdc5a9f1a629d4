#include "panels/PinView.h"

#include "core/AccessibilityOptions.h"
#include "core/ButtonReturnKey.h"
#include "panels/PinCloseButton.h"
#include "panels/PinPanel.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenu>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>

namespace quorvane {
namespace {

QVariantAnimation* fade(QObject* owner, double from, double to, int milliseconds,
                        std::function<void(double)> step) {
    auto* animation = new QVariantAnimation(owner);
    animation->setDuration(milliseconds);
    animation->setStartValue(from);
    animation->setEndValue(to);
    QObject::connect(animation, &QVariantAnimation::valueChanged, owner,
                     [step = std::move(step)](const QVariant& value) { step(value.toDouble()); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

} // namespace

PinView::PinView(PinPanel& panel, const SymbolIcons& icons, const AccessibilityOptions& accessibility,
                 QWidget* parent)
    : QWidget(parent), sleep(CaptureDelay::timerSleep()), panel_(panel), accessibility_(accessibility) {
    ButtonReturnKey::install();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_AcceptTouchEvents);
    close_ = new PinCloseButton(icons, this);
    close_->move(6, 6);
    close_->hide();
    connect(close_, &QAbstractButton::clicked, &panel_, &PinPanel::closePin);
    badge_ = new QLabel(this);
    badge_->setAlignment(Qt::AlignCenter);
    badge_->setAttribute(Qt::WA_TransparentForMouseEvents);
    badge_->setStyleSheet(QStringLiteral("QLabel { color: white; background: rgba(0, 0, 0, 166);"
                                         " border-radius: 9px; font-weight: 600; font-size: 11pt; }"));
    badge_->hide();
}

PinView::~PinView() {
    if (cancelBadge_) cancelBadge_();
}

void PinView::setImage(const QImage& image) {
    levels_.clear();
    if (!image.isNull()) {
        // The window's own pixel format: drawing then scales without converting every pixel.
        levels_.push_back(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        while (levels_.back().width() >= 64 && levels_.back().height() >= 64)
            levels_.push_back(levels_.back().scaled(levels_.back().size() / 2, Qt::IgnoreAspectRatio,
                                                    Qt::SmoothTransformation));
    }
    update();
}

const QImage& PinView::level(const QSize& size) const {
    // The smallest halving still at least as large as the target, drawn with bilinear filtering.
    std::size_t chosen = 0;
    while (chosen + 1 < levels_.size() && levels_[chosen + 1].width() >= size.width() &&
           levels_[chosen + 1].height() >= size.height())
        ++chosen;
    return levels_[chosen];
}

void PinView::paintEvent(QPaintEvent*) {
    if (levels_.empty()) return;
    QPainter painter(this);
    const QRectF bounds = rect();
    const QSize pixels = (bounds.size() * devicePixelRatioF()).toSize();
    // A clip path would make every pixel of a large pin go through a mask: draw the image whole,
    // then cut the four rounded corners away.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(bounds, level(pixels));
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(bounds, cornerRadius, cornerRadius);
    QPainterPath corners;
    const double side = cornerRadius + 1;
    for (const QPointF& corner :
         {bounds.topLeft(), bounds.topRight() - QPointF(side, 0), bounds.bottomLeft() - QPointF(0, side),
          bounds.bottomRight() - QPointF(side, side)})
        corners.addRect(QRectF(corner, QSizeF(side, side)));
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(corners.subtracted(rounded), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.2f), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.25, 0.25, -0.25, -0.25), cornerRadius, cornerRadius);
}

void PinView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (badge_->isVisible()) badge_->move((width() - badge_->width()) / 2, (height() - badge_->height()) / 2);
}

void PinView::showBadge(const QString& text) {
    if (badgeFade_) badgeFade_->stop();
    badge_->setText(text);
    const int textWidth = badge_->fontMetrics().horizontalAdvance(text);
    badge_->resize(textWidth + 16, 18);
    badge_->move((width() - badge_->width()) / 2, (height() - badge_->height()) / 2);
    badge_->setGraphicsEffect(nullptr);
    badge_->show();
    badge_->raise();
    if (cancelBadge_) cancelBadge_();
    QPointer<PinView> self(this);
    // Only the newest read-out fades.
    cancelBadge_ = sleep(badgeMilliseconds, [self] {
        PinView* view = self;
        if (view == nullptr) return;
        view->cancelBadge_ = nullptr;
        if (view->accessibility_.reduceMotion()) return view->badge_->hide();
        QLabel* badge = view->badge_;
        auto* effect = new QGraphicsOpacityEffect(badge);
        badge->setGraphicsEffect(effect);
        view->badgeFade_ = fade(view, 1, 0, badgeFadeMilliseconds, [badge, effect](double alpha) {
            effect->setOpacity(alpha);
            if (alpha <= 0) badge->hide();
        });
    });
}

void PinView::setCloseButtonVisible(bool visible) {
    if (closeFade_) closeFade_->stop();
    if (visible) close_->show();
    if (accessibility_.reduceMotion()) {
        close_->setAlpha(visible ? 1 : 0);
        close_->setVisible(visible);
        return;
    }
    PinCloseButton* button = close_;
    closeFade_ = fade(this, close_->alpha(), visible ? 1.0 : 0.0, closeFadeMilliseconds,
                      [button, visible](double alpha) {
                          button->setAlpha(alpha);
                          if (!visible && alpha <= 0) button->hide();
                      });
}

bool PinView::event(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            panel_.setZoom(panel_.zoom() * (1 + gesture->value()), gesture->globalPosition());
            return true;
        }
    }
    return QWidget::event(event);
}

void PinView::wheelEvent(QWheelEvent* event) {
    event->accept();
    const bool alt = event->modifiers() & Qt::AltModifier;
    const bool precise = !event->pixelDelta().isNull();
    const QPointF delta = precise ? QPointF(event->pixelDelta()) : QPointF(event->angleDelta()) / 120.0;
    // With Alt held, X11's Qt turns the wheel into horizontal scrolling.
    const double dy = alt && delta.y() == 0 ? delta.x() : delta.y();
    if (dy == 0) return;
    if (alt)
        panel_.setOpacity(panel_.opacity() + dy * (precise ? 0.005 : 0.05));
    else
        panel_.setZoom(panel_.zoom() * std::exp(dy * (precise ? 0.01 : 0.1)), event->globalPosition());
}

void PinView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        QMenu* menu = panel_.contextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    event->accept();
    pressAt_ = event->globalPosition();
    pressWindowAt_ = panel_.pos();
    moving_ = false;
}

void PinView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressAt_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    event->accept();
    const QPointF moved = event->globalPosition() - *pressAt_;
    if (moving_) {
        panel_.move(pressWindowAt_ + moved.toPoint());
        return;
    }
    // Only after a few points, so that a double click still opens the editor.
    if (moved.manhattanLength() < QApplication::startDragDistance()) return;
    QWindow* window = panel_.windowHandle();
    if (window != nullptr && window->startSystemMove()) {
        pressAt_.reset();
        return;
    }
    // No window manager move here: follow the pointer ourselves.
    moving_ = true;
    panel_.move(pressWindowAt_ + moved.toPoint());
}

void PinView::mouseReleaseEvent(QMouseEvent* event) {
    pressAt_.reset();
    moving_ = false;
    QWidget::mouseReleaseEvent(event);
}

void PinView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    event->accept();
    pressAt_.reset();
    panel_.editImage();
}

void PinView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setCloseButtonVisible(true);
}

void PinView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setCloseButtonVisible(false);
}

} // namespace quorvane
