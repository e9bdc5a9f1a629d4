#include "capture/AreaSelectionView.h"

#include "capture/CaptureFailure.h"
#include "core/AccessibilityOptions.h"
#include "core/Geometry.h"
#include "core/PointerPosition.h"
#include "document/DigitFont.h"
#include "platform/Beeper.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace quorvane {
namespace {

constexpr double minimumCapturePixels = 4;
constexpr double labelInset = 48;

// Exposes the picker, a window of its own, to assistive technology as a window whose value is the
// selected size: screen readers announce a window, and pass over a group that stands alone.
class AreaSelectionAccessible : public QAccessibleWidget {
public:
    explicit AreaSelectionAccessible(AreaSelectionView* view)
        : QAccessibleWidget(view, view->isWindow() ? QAccessible::Window : QAccessible::Grouping) {}

    QString text(QAccessible::Text kind) const override {
        const auto* view = static_cast<const AreaSelectionView*>(widget());
        switch (kind) {
        case QAccessible::Name:
            return QStringLiteral("Select capture area");
        case QAccessible::Help:
            return AreaSelectionView::helpText();
        case QAccessible::Value:
            return view->accessibilityValue();
        default:
            return QAccessibleWidget::text(kind);
        }
    }
};

QAccessibleInterface* accessibleFactory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<AreaSelectionView*>(object)) return new AreaSelectionAccessible(view);
    return nullptr;
}

QString integer(double value) {
    return QString::number(static_cast<long long>(value));
}

// A modifier pressed alone (Alt before an adjusting drag, say) is no interaction yet: the hint
// stays until a real key or a mouse press.
bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

} // namespace

bool AreaSelectionView::hasTabularDigits(const QFont& font) {
    return quorvane::hasTabularDigits(font);
}

QFont AreaSelectionView::pillFont(const QFont& desktopFont) {
    // The sizes and coordinates change while the mouse moves: their digits keep one width.
    QFont font = desktopFont;
    font.setPixelSize(12);
    font.setWeight(QFont::Medium);
    return tabularDigitFont(font);
}

const AreaSelectionView::PillAttributes& AreaSelectionView::pillAttributes() {
    static const PillAttributes attributes{pillFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont)),
                                           QColor(Qt::white)};
    return attributes;
}

QString AreaSelectionView::hintText() {
    return QStringLiteral(
        "Drag to capture · Hold Alt while releasing to adjust · Arrow keys for keyboard · Esc "
        "cancels");
}

QString AreaSelectionView::helpText() {
    return QStringLiteral("Drag on this display; releasing the mouse captures. Hold Alt while releasing to "
                          "adjust first. Or press "
                          "an arrow key to start a centered selection: arrow keys move, Alt moves 10 pixels, "
                          "Shift and arrow keys "
                          "resize, Return captures. Escape cancels.");
}

AreaSelectionView::AreaSelectionView(const QImage& image, const CaptureGeometry& geometry,
                                     const std::optional<QString>& note, Beeper& beeper,
                                     const AccessibilityOptions& accessibility, QWidget* parent)
    : QWidget(parent), increaseContrast([&accessibility] { return accessibility.increaseContrast(); }),
      beeper_(beeper), geometry_(geometry), image_(image), note_(note),
      accessibilityValue_(QStringLiteral("No area selected")) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    resize(static_cast<int>(std::ceil(geom::width(geometry.frame))),
           static_cast<int>(std::ceil(geom::height(geometry.frame))));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
}

AreaSelectionView::~AreaSelectionView() {
    Q_EMIT closed(Closing::destroying);
}

void AreaSelectionView::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    Q_EMIT closed(Closing::windowClosed);
}

QRectF AreaSelectionView::bounds() const {
    return QRectF(0, 0, geom::width(geometry_.frame), geom::height(geometry_.frame));
}

QPointF AreaSelectionView::clampedPoint(QPointF position) const {
    const QRectF b = bounds();
    return QPointF(std::clamp(position.x(), b.left(), b.right()),
                   std::clamp(position.y(), b.top(), b.bottom()));
}

QRectF AreaSelectionView::toGlobal(const QRectF& rect) const {
    return geom::offsetBy(rect, geom::minX(geometry_.frame), geom::minY(geometry_.frame));
}

QRectF AreaSelectionView::defaultSelection() const {
    const double s = geometry_.scale, p = 1 / s;
    const QRectF b = bounds();
    const double width = std::max(p, std::floor(s * b.width() * 0.5) / s);
    const double height = std::max(p, std::floor(s * b.height() * 0.5) / s);
    const double x = std::floor(s * (b.width() - width) * 0.5) / s;
    const double y = std::floor(s * (b.height() - height) * 0.5) / s;
    return QRectF(x, y, width, height);
}

void AreaSelectionView::setSelection(std::optional<QRectF> selection) {
    selection_ = selection;
    const auto pixels = selection ? geometry_.pixels(toGlobal(*selection)) : std::nullopt;
    accessibilityValue_ = pixels ? integer(pixels->width()) + QStringLiteral(" by ") +
                                       integer(pixels->height()) + QStringLiteral(" pixels")
                                 : QStringLiteral("No area selected");
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, accessibilityValue_);
        QAccessible::updateAccessibility(&event);
    }
}

void AreaSelectionView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF point = clampedPoint(pointerPosition(*event));
    if (event->buttons() & Qt::LeftButton) {
        if (anchor_) setSelection(CaptureGeometry::normalizedSelection(*anchor_, point, bounds()));
    } else {
        pointer_ = point;
    }
    update();
}

void AreaSelectionView::leaveEvent(QEvent*) {
    pointer_.reset();
    update();
}

void AreaSelectionView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    interacted_ = true;
    pointer_.reset();
    anchor_ = clampedPoint(pointerPosition(*event));
    setSelection(std::nullopt);
    update();
}

void AreaSelectionView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !anchor_) return;
    setSelection(
        CaptureGeometry::normalizedSelection(*anchor_, clampedPoint(pointerPosition(*event)), bounds()));
    update();
    anchor_.reset();
    // Alt keeps the selection for adjusting with the keys.
    if (event->modifiers() & Qt::AltModifier) return;
    if (!selection_) return;
    if (selection_->width() * geometry_.scale >= minimumCapturePixels &&
        selection_->height() * geometry_.scale >= minimumCapturePixels)
        Q_EMIT finished(toGlobal(*selection_));
}

void AreaSelectionView::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (isModifierKey(event->key())) return;
    interacted_ = true;
    switch (event->key()) {
    case Qt::Key_Escape:
        Q_EMIT finished(Failure{cancellationError()});
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (selection_ && !geom::isEmpty(*selection_))
            Q_EMIT finished(toGlobal(*selection_));
        else
            beeper_.beep();
        return;
    default:
        break;
    }
    if (!std::isfinite(geometry_.scale) || !(geometry_.scale > 0)) return;
    const int key = event->key();
    if (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down) return;
    if (!selection_)
        setSelection(defaultSelection());
    else
        moveOrResize(key, event->modifiers());
    update();
}

void AreaSelectionView::moveOrResize(int key, Qt::KeyboardModifiers modifiers) {
    const double step = ((modifiers & Qt::AltModifier) ? 10.0 : 1.0) / geometry_.scale;
    double dx = 0, dy = 0;
    if (key == Qt::Key_Left) dx = -step;
    if (key == Qt::Key_Right) dx = step;
    if (key == Qt::Key_Down) dy = step;
    if (key == Qt::Key_Up) dy = -step;
    const QRectF b = bounds(), s = *selection_;
    if (modifiers & Qt::ShiftModifier) {
        // The top-left corner stays put.
        const double width = std::min(std::max(step, s.width() + dx), b.right() - s.left());
        const double height = std::min(std::max(step, s.height() + dy), b.bottom() - s.top());
        setSelection(QRectF(s.left(), s.top(), width, height));
    } else {
        const double x = std::min(std::max(b.left(), s.left() + dx), b.right() - s.width());
        const double y = std::min(std::max(b.top(), s.top() + dy), b.bottom() - s.height());
        setSelection(QRectF(x, y, s.width(), s.height()));
    }
}

QSizeF AreaSelectionView::pillSize(const QString& text) const {
    const QFontMetricsF metrics(pillAttributes().font);
    return QSizeF(std::ceil(metrics.horizontalAdvance(text)) + 16, std::ceil(metrics.height()) + 8);
}

QRectF AreaSelectionView::sizePill(const QString& text, const QRectF& near) const {
    const QSizeF size = pillSize(text);
    const QRectF b = bounds();
    double y = near.bottom() + 6;
    // Too close to the bottom: inside the selection, above its bottom edge.
    if (b.bottom() - 4 < y + size.height()) y = near.bottom() - size.height() - 6;
    double x = near.right() - size.width();
    x = std::max(x, b.left() + 4);
    x = std::min(x, b.right() - size.width() - 4);
    return QRectF(QPointF(x, y), size);
}

AreaSelectionView::Label AreaSelectionView::coordinatesPill(QPointF p) const {
    const QString text = QStringLiteral("X ") + integer(std::floor(p.x() * geometry_.scale)) +
                         QStringLiteral("  Y ") + integer(std::floor(p.y() * geometry_.scale));
    const QSizeF size = pillSize(text);
    const QRectF b = bounds();
    const double x = b.right() - 4 < p.x() + 14 + size.width() ? p.x() - size.width() - 14 : p.x() + 14;
    const double y = b.bottom() - 4 < p.y() + 18 + size.height() ? p.y() - size.height() - 14 : p.y() + 18;
    return Label{text, QRectF(QPointF(x, y), size)};
}

AreaSelectionView::Labels AreaSelectionView::labels() const {
    Labels labels;
    const QRectF b = bounds();
    if (selection_) {
        if (const auto pixels = geometry_.pixels(toGlobal(*selection_))) {
            const QString text = integer(pixels->width()) + QStringLiteral(" × ") + integer(pixels->height());
            labels.size = Label{text, sizePill(text, *selection_)};
        }
    } else if (pointer_ && !anchor_) {
        labels.coordinates = coordinatesPill(*pointer_);
    }
    const auto centred = [&](const QString& text, double centreY) {
        const QSizeF size = pillSize(text);
        return Label{text,
                     QRectF(QPointF(b.center().x() - size.width() / 2, centreY - size.height() / 2), size)};
    };
    if (!interacted_ && !selection_) labels.hint = centred(hintText(), b.bottom() - labelInset);
    if (note_) labels.note = centred(*note_, b.top() + labelInset);
    return labels;
}

void AreaSelectionView::drawOutline(QPainter& painter, const QRectF& rect) const {
    const bool contrast = increaseContrast();
    const QRectF shape = rect.adjusted(-0.5, -0.5, 0.5, 0.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, contrast ? 1.0f : 0.55f), contrast ? 4 : 3));
    painter.drawRect(shape);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, contrast ? 1.0f : 0.95f), contrast ? 2 : 1));
    painter.drawRect(shape);
}

void AreaSelectionView::drawPill(QPainter& painter, const Label& label) const {
    const bool contrast = increaseContrast();
    const double radius = label.rect.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, contrast ? 1.0f : 0.8f));
    painter.drawRoundedRect(label.rect, radius, radius);
    const auto& attributes = pillAttributes();
    painter.setFont(attributes.font);
    painter.setPen(attributes.foreground);
    const QFontMetricsF metrics(attributes.font);
    painter.drawText(QPointF(label.rect.left() + 8, label.rect.top() + 4 + metrics.ascent()), label.text);
}

void AreaSelectionView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The frozen image exactly as the screen looked: copied, not blended, dimmed or tinted.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(bounds(), image_, QRectF(image_.rect()));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);

    if (selection_) drawOutline(painter, *selection_);
    const Labels current = labels();
    for (const auto* label : {&current.size, &current.coordinates, &current.hint, &current.note})
        if (*label) drawPill(painter, **label);
}

} // namespace quorvane
