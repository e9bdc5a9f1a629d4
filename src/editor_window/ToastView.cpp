#include "editor_window/ToastView.h"

#include "core/AccessibilityOptions.h"
#include "editor_window/PointerPassThrough.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/ToastAccessible.h"

#include <QAccessible>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvane {
namespace {

constexpr int shadowMargin = 10;
constexpr int sidePadding = shadowMargin + 14;
constexpr int spacing = 8;
constexpr int symbolSide = 16;
// Narrower, a text is no longer worth wrapping.
constexpr int minimumTextWidth = 80;
constexpr int travel = 12;
// Two lines never hold more; a longer message is not laid out in full.
constexpr qsizetype layoutLimit = 2000;

// The capsule: regular material, a faint border and a soft shadow, all inside its own rect.
class ToastCapsule : public QWidget {
public:
    explicit ToastCapsule(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF shape =
            QRectF(rect()).adjusted(shadowMargin, shadowMargin - 2, -shadowMargin, -shadowMargin - 2);
        const double radius = shape.height() / 2;
        // Black at 0.15 spread over 8 points, 2 points down.
        for (int step = 8; step >= 1; --step) {
            QPainterPath halo;
            halo.addRoundedRect(shape.translated(0, 2).adjusted(-step, -step, step, step), radius + step,
                                radius + step);
            painter.fillPath(halo, QColor(0, 0, 0, 5));
        }
        QPainterPath capsule;
        capsule.addRoundedRect(shape, radius, radius);
        QColor material = palette().color(QPalette::Window);
        material.setAlphaF(0.94F);
        painter.fillPath(capsule, material);
        QColor border = palette().color(QPalette::WindowText);
        border.setAlphaF(0.1F);
        painter.setPen(QPen(border, 1));
        painter.drawPath(capsule);
    }
};

} // namespace

ToastView::ToastView(const AccessibilityOptions& accessibility, const SymbolIcons& icons, QWidget* parent)
    : QWidget(parent), accessibility_(accessibility), icons_(icons) {
    scheduler_ = [this](std::chrono::milliseconds delay, std::function<void()> hide) {
        QTimer::singleShot(delay, this, std::move(hide));
    };
    capsule_ = new ToastCapsule(this);
    auto* column = new QVBoxLayout(capsule_);
    column->setContentsMargins(sidePadding, shadowMargin - 2 + 8, sidePadding, shadowMargin + 2 + 8);
    column->setSpacing(spacing);
    row_ = new QHBoxLayout;
    row_->setSpacing(spacing);
    below_ = new QHBoxLayout;
    below_->addStretch();
    column->addLayout(row_);
    column->addLayout(below_);
    image_ = new QLabel(capsule_);
    image_->setFixedSize(symbolSide, symbolSide);
    text_ = new QLabel(capsule_);
    text_->setTextFormat(Qt::PlainText);
    row_->addWidget(image_, 0, Qt::AlignVCenter);
    row_->addWidget(text_, 0, Qt::AlignVCenter);
    capsule_->hide();
    // Read as one element: its message, with its buttons as actions.
    ToastAccessible::install();
    // Laid over the canvas, the toast takes the pointer only on its accessory's controls.
    new PointerPassThrough(*this);
    connect(&accessibility_, &AccessibilityOptions::changed, this, [this] {
        if (accessibility_.reduceMotion() && animation_ != nullptr)
            animation_->setCurrentTime(animation_->duration());
    });
    updateContent();
}

void ToastView::setMessage(const QString& message) {
    if (message == message_) return;
    message_ = message;
    updateContent();
    // Before the first appearance this is the initial message, which only showOnAppear shows.
    if (appeared_) showRule();
}

void ToastView::setPersistent(bool persistent) {
    if (persistent == persistent_) return;
    persistent_ = persistent;
    if (appeared_) showRule();
}

void ToastView::setSystemImage(const std::optional<QString>& symbol) {
    symbol_ = symbol;
    updateContent();
}

void ToastView::setAccessory(QWidget* accessory) {
    delete accessory_;
    accessory_ = accessory;
    accessoryBelow_ = false;
    if (accessory_ != nullptr) {
        accessory_->setParent(capsule_);
        row_->addWidget(accessory_, 0, Qt::AlignVCenter);
    }
    updateContent();
}

void ToastView::setAvailableWidth(int width) {
    if (width == availableWidth_) return;
    availableWidth_ = width;
    updateContent();
}

bool ToastView::animating() const {
    return animation_ != nullptr && animation_->state() == QAbstractAnimation::Running;
}

QString ToastView::shownText() const {
    return text_->text();
}

QString ToastView::accessibleText() const {
    return message_.left(layoutLimit);
}

void ToastView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (appeared_) return;
    appeared_ = true;
    if (showOnAppear_) showRule();
}

void ToastView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) updateContent();
    QWidget::changeEvent(event);
}

void ToastView::showRule() {
    visible_ = !message_.isEmpty();
    const quint64 token = ++token_;
    animateTo(visible_);
    if (persistent_ || !visible_) return;
    // Timers are never cancelled: only the one of the latest show finds its token current.
    scheduler_(hideDelay, [this, token] {
        if (token != token_) return;
        visible_ = false;
        animateTo(false);
    });
}

void ToastView::animateTo(bool visible) {
    if (animation_ != nullptr) {
        animation_->stop();
        delete animation_;
        animation_ = nullptr;
    }
    const QPoint rest(0, 0);
    if (accessibility_.reduceMotion() || !isVisible()) {
        capsule_->setGraphicsEffect(nullptr);
        capsule_->move(rest);
        capsule_->setVisible(visible);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(capsule_->graphicsEffect());
    if (effect == nullptr) {
        effect = new QGraphicsOpacityEffect(capsule_);
        effect->setOpacity(capsule_->isVisible() ? 1.0 : 0.0);
        capsule_->setGraphicsEffect(effect);
    }
    if (!capsule_->isVisible()) capsule_->move(rest + QPoint(0, travel));
    capsule_->show();
    animation_ = new QParallelAnimationGroup(this);
    auto* fade = new QPropertyAnimation(effect, "opacity", animation_);
    fade->setEndValue(visible ? 1.0 : 0.0);
    auto* slide = new QPropertyAnimation(capsule_, "pos", animation_);
    slide->setEndValue(visible ? rest : rest + QPoint(0, travel));
    for (QPropertyAnimation* part : {fade, slide}) {
        part->setDuration(200);
        part->setEasingCurve(QEasingCurve::OutQuad);
        animation_->addAnimation(part);
    }
    connect(animation_, &QAbstractAnimation::finished, this, [this, visible] {
        capsule_->setVisible(visible);
        // Drawing without the effect is cheaper and sharper once the fade is over.
        capsule_->setGraphicsEffect(nullptr);
    });
    animation_->start();
}

QString ToastView::twoLines(const QString& text, const QFont& font, int width) {
    QString flat = text.left(layoutLimit);
    flat.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(flat, font);
    layout.beginLayout();
    QStringList lines;
    qsizetype secondStart = -1;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == 1) secondStart = line.textStart();
        lines << flat.mid(line.textStart(), line.textLength()).trimmed();
        if (lines.size() > 2) break;
    }
    layout.endLayout();
    if (lines.size() <= 2 && flat.size() == text.size()) return lines.join(QLatin1Char('\n'));
    // The rest from the second line on, cut at the width with an ellipsis.
    QString rest = flat.mid(secondStart < 0 ? 0 : secondStart);
    rest.replace(QChar::LineSeparator, QLatin1Char(' '));
    const QFontMetrics metrics(font);
    QString second = metrics.elidedText(rest + QStringLiteral(" …"), Qt::ElideRight, width);
    return lines.first() + QLatin1Char('\n') + second;
}

bool ToastView::fitsTwoLines(const QString& text, const QFont& font, int width) {
    if (text.size() > layoutLimit) return false;
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(flat, font);
    layout.beginLayout();
    int lines = 0;
    bool fits = true;
    for (QTextLine line = layout.createLine(); line.isValid() && fits; line = layout.createLine()) {
        line.setLineWidth(width);
        fits = ++lines <= 2 && line.naturalTextWidth() <= width;
    }
    layout.endLayout();
    return fits;
}

int ToastView::textWidth(bool besideAccessory) const {
    int chrome = 2 * sidePadding + (symbol_ ? symbolSide + spacing : 0);
    if (besideAccessory && accessory_ != nullptr) chrome += accessory_->sizeHint().width() + spacing;
    if (availableWidth_ <= 0) return maximumTextWidth;
    return std::clamp(availableWidth_ - chrome, minimumTextWidth, maximumTextWidth);
}

void ToastView::placeAccessory(bool below) {
    if (accessory_ == nullptr || below == accessoryBelow_) return;
    accessoryBelow_ = below;
    (below ? row_ : below_)->removeWidget(accessory_);
    if (below)
        below_->addWidget(accessory_, 0, Qt::AlignVCenter);
    else
        row_->addWidget(accessory_, 0, Qt::AlignVCenter);
}

void ToastView::updateContent() {
    image_->setVisible(symbol_.has_value());
    if (symbol_) {
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap(QSize(symbolSide, symbolSide) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        icons_.paint(painter, *symbol_, QRectF(0, 0, symbolSide, symbolSide),
                     palette().color(QPalette::WindowText));
        painter.end();
        image_->setPixmap(pixmap);
    }
    const QFont font = text_->font();
    // Beside the text while the text fits whole there; else below, which leaves the text the
    // whole width.
    const bool crowded = availableWidth_ > 0 && accessory_ != nullptr &&
                         2 * sidePadding + (symbol_ ? symbolSide + spacing : 0) +
                                 accessory_->sizeHint().width() + spacing + minimumTextWidth >
                             availableWidth_;
    placeAccessory(availableWidth_ > 0 && (crowded || !fitsTwoLines(message_, font, textWidth(true))));
    const int width = textWidth(!accessoryBelow_);
    text_->setText(twoLines(message_, font, width));
    text_->setToolTip(fitsTwoLines(message_, font, width) ? QString() : message_.left(layoutLimit));
    capsule_->setAccessibleName(message_.left(layoutLimit));
    // Laid out now: a hidden capsule would keep the rows of its old text.
    capsule_->layout()->invalidate();
    capsule_->layout()->activate();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    capsule_->adjustSize();
    resize(sizeHint());
    updateGeometry();
}

QSize ToastView::sizeHint() const {
    return capsule_->sizeHint();
}

} // namespace quorvane
