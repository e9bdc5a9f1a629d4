#include "app/StatusItem.h"

#include "core/AppIdentity.h"
#include "core/Log.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace quorvane {
namespace {

// A viewfinder: four corner brackets around a dot, drawn at each scale the tray may ask for.
QPixmap drawIcon(int side, const QColor& ink) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = side / 18.0;
    QPen pen(ink, 1.6 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    const double a = 2.5 * unit, b = 15.5 * unit, arm = 4.5 * unit;
    for (const auto& [x, y, dx, dy] : {std::tuple{a, a, 1, 1}, std::tuple{b, a, -1, 1},
                                       std::tuple{a, b, 1, -1}, std::tuple{b, b, -1, -1}}) {
        painter.drawLine(QPointF(x, y), QPointF(x + dx * arm, y));
        painter.drawLine(QPointF(x, y), QPointF(x, y + dy * arm));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(QPointF(9 * unit, 9 * unit), 2.2 * unit, 2.2 * unit);
    return pixmap;
}

} // namespace

StatusItem::StatusItem(QMenu& menu, QObject* parent)
    : QObject(parent), menu_(menu), toolTip_(QString::fromLatin1(applicationName)) {
    show();
}

StatusItem::~StatusItem() {
    delete tray_;
}

QIcon StatusItem::icon(bool darkPanel) {
    const QColor ink = darkPanel ? QColor(245, 245, 245) : QColor(30, 30, 30);
    QIcon icon;
    for (int side : {18, 36, 54})
        icon.addPixmap(drawIcon(side, ink));
    return icon;
}

void StatusItem::show() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        Log::app().log("No system tray: Quorvane is reached through its windows");
        return;
    }
    const bool darkPanel = QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
    tray_ = new QSystemTrayIcon(icon(darkPanel));
    tray_->setToolTip(toolTip_);
    tray_->setContextMenu(&menu_);
    // A left click opens the menu as well.
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) menu_.popup(QCursor::pos());
    });
    tray_->show();
}

bool StatusItem::isShown() const {
    return tray_ != nullptr && tray_->isVisible();
}

QString StatusItem::toolTip() const {
    return toolTip_;
}

void StatusItem::setToolTip(const QString& toolTip) {
    toolTip_ = toolTip;
    if (tray_ != nullptr) tray_->setToolTip(toolTip);
}

} // namespace quorvane
