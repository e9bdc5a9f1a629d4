#include "panels/PermissionBanner.h"

#include "canvas/AccessibleGroup.h"
#include "capture/CaptureController.h"
#include "editor_window/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

PermissionBanner::PermissionBanner(CaptureController& model, const SymbolIcons& icons, QWidget* parent)
    : QWidget(parent) {
    AccessibleGroup::expose(*this, QAccessible::Grouping, QStringLiteral("Screen Recording is off"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(6);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(6);
    auto* lock = new QLabel(this);
    const QColor ink = palette().color(QPalette::WindowText);
    lock->setPixmap(icons.icon(QStringLiteral("lock.fill"), ink, ink).pixmap(14, 14));
    AccessibleGroup::markDecoration(*lock);
    auto* title = new QLabel(QStringLiteral("Screen Recording is off"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    titleRow->addWidget(lock);
    titleRow->addWidget(title, 1);
    column->addLayout(titleRow);
    auto* detail =
        new QLabel(QStringLiteral("Allow Quorvane in your desktop settings, then reopen Quorvane."), this);
    detail->setWordWrap(true);
    QPalette secondary = detail->palette();
    QColor muted = ink;
    muted.setAlphaF(0.65f);
    secondary.setColor(QPalette::WindowText, muted);
    detail->setPalette(secondary);
    column->addWidget(detail);
    auto* buttons = new QHBoxLayout;
    auto* allow = new QPushButton(QStringLiteral("Allow…"), this);
    connect(allow, &QPushButton::clicked, &model, &CaptureController::requestPermission);
    buttons->addWidget(allow);
    buttons->addStretch(1);
    column->addLayout(buttons);
}

void PermissionBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 10, 10);
    painter.fillPath(shape, QColor::fromRgbF(1.0f, 0.58f, 0.0f, 0.1f));
}

} // namespace quorvane
