#include "panels/ThumbnailView.h"

#include "core/AccessibilityOptions.h"
#include "panels/ThumbnailButton.h"
#include "panels/ThumbnailEditButton.h"
#include "panels/ThumbnailModel.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace quorvane {
namespace {

struct ButtonSpec {
    ThumbnailAction action;
    const char* symbol;
    const char* title;
    const char* help;
};
// The close button first, then the bottom row in its order.
constexpr ButtonSpec buttonSpecs[] = {
    {ThumbnailAction::close, "xmark", "Close", "Dismiss preview"},
    {ThumbnailAction::copy, "doc.on.doc", "Copy", "Copy image"},
    {ThumbnailAction::save, "square.and.arrow.down", "Save", "Save image"},
    {ThumbnailAction::pin, "pin", "Pin", "Pin to screen"},
    {ThumbnailAction::edit, "pencil", "Edit", "Open in editor"},
};
constexpr int padding = 6;
constexpr int rowSpacing = 6;

void paintCapsule(QPainter& painter, const QRectF& rect, const QPalette& palette, double opacity) {
    QPainterPath capsule;
    capsule.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
    QColor material = palette.color(QPalette::Window);
    material.setAlphaF(float(0.85 * opacity));
    painter.fillPath(capsule, material);
}

} // namespace

ThumbnailView::ThumbnailView(ThumbnailModel& model, const SymbolIcons& icons,
                             const AccessibilityOptions& accessibility, QWidget* parent)
    : QWidget(parent), model_(model), accessibility_(accessibility) {
    edit_ = new ThumbnailEditButton([&model](ThumbnailAction action) { model.perform(action); }, this);
    for (const ButtonSpec& spec : buttonSpecs) {
        auto* button =
            new ThumbnailButton(icons, QString::fromLatin1(spec.symbol), QString::fromLatin1(spec.title),
                                QString::fromLatin1(spec.help), this);
        connect(button, &QAbstractButton::clicked, this,
                [&model, action = spec.action] { model.perform(action); });
        button->hide();
        buttons_[spec.action] = button;
    }
    connect(&model_, &ThumbnailModel::changed, this, &ThumbnailView::refresh);
    refresh();
}

ThumbnailView::Overlay ThumbnailView::overlay() const {
    if (!model_.pixelSize()) return Overlay::none;
    if (model_.copied()) return Overlay::copied;
    return model_.hovering() ? Overlay::controls : Overlay::badge;
}

QString ThumbnailView::badgeText() const {
    const auto& size = model_.pixelSize();
    if (!size) return {};
    return QString::number(size->width()) + QStringLiteral(" × ") + QString::number(size->height());
}

QString ThumbnailView::sizeDescription() const {
    const auto& size = model_.pixelSize();
    if (!size) return {};
    return QString::number(size->width()) + QStringLiteral(" by ") + QString::number(size->height()) +
           QStringLiteral(" pixels");
}

ThumbnailButton* ThumbnailView::button(ThumbnailAction action) const {
    return buttons_.at(action);
}

void ThumbnailView::refresh() {
    const Overlay now = overlay();
    edit_->setVisible(now != Overlay::none);
    edit_->setAccessibilityValue(sizeDescription());
    for (const auto& [action, button] : buttons_)
        button->setVisible(now == Overlay::controls);
    if (now != shown_) {
        shown_ = now;
        if (fade_) fade_->stop();
        if (accessibility_.reduceMotion() || now == Overlay::none) {
            opacity_ = 1;
        } else {
            auto* fade = new QVariantAnimation(this);
            fade->setDuration(fadeMilliseconds);
            fade->setEasingCurve(QEasingCurve::OutCubic);
            fade->setStartValue(0.0);
            fade->setEndValue(1.0);
            connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
                opacity_ = value.toDouble();
                update();
            });
            opacity_ = 0;
            fade_ = fade;
            fade->start(QAbstractAnimation::DeleteWhenStopped);
        }
    }
    update();
}

void ThumbnailView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutButtons();
}

void ThumbnailView::layoutButtons() {
    edit_->setGeometry(rect());
    buttons_[ThumbnailAction::close]->move(padding, padding);
    const int buttonWidth = buttons_[ThumbnailAction::copy]->width();
    const int buttonHeight = buttons_[ThumbnailAction::copy]->height();
    const int rowWidth = 4 * buttonWidth + 3 * rowSpacing;
    int x = (width() - rowWidth) / 2;
    for (ThumbnailAction action :
         {ThumbnailAction::copy, ThumbnailAction::save, ThumbnailAction::pin, ThumbnailAction::edit}) {
        buttons_[action]->move(x, height() - padding - buttonHeight);
        x += buttonWidth + rowSpacing;
    }
}

void ThumbnailView::paintEvent(QPaintEvent*) {
    const Overlay now = overlay();
    if (now == Overlay::none) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ink = palette().color(QPalette::WindowText);
    if (now == Overlay::controls) {
        // The edges darken behind the buttons; clicks between them reach the edit button.
        QLinearGradient shade(0, 0, 0, height());
        shade.setColorAt(0, QColor::fromRgbF(0, 0, 0, float(0.25 * opacity_)));
        shade.setColorAt(0.5, QColor(0, 0, 0, 0));
        shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, float(0.3 * opacity_)));
        QPainterPath card;
        card.addRoundedRect(QRectF(rect()), 10, 10);
        painter.fillPath(card, shade);
    } else if (now == Overlay::badge) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(9);
        painter.setFont(font);
        const QString text = badgeText();
        const QSizeF textSize = painter.fontMetrics().size(Qt::TextSingleLine, text);
        const QRectF capsule(width() - padding - textSize.width() - 12, padding, textSize.width() + 12,
                             textSize.height() + 4);
        paintCapsule(painter, capsule, palette(), opacity_);
        ink.setAlphaF(float(opacity_));
        painter.setPen(ink);
        painter.drawText(capsule, Qt::AlignCenter, text);
    } else {
        QFont font = this->font();
        font.setWeight(QFont::DemiBold);
        painter.setFont(font);
        const QString text = QStringLiteral("✓ Copied");
        const QSizeF textSize = painter.fontMetrics().size(Qt::TextSingleLine, text);
        const QSizeF size(textSize.width() + 24, textSize.height() + 12);
        const QRectF capsule(
            QPointF(width() / 2.0, height() / 2.0) - QPointF(size.width() / 2, size.height() / 2), size);
        paintCapsule(painter, capsule, palette(), opacity_);
        ink.setAlphaF(float(opacity_));
        painter.setPen(ink);
        painter.drawText(capsule, Qt::AlignCenter, text);
    }
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.15f);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

} // namespace quorvane
