#include "app/StatusItem.h"

#include "core/AppIdentity.h"
#include "core/Log.h"
#include "panels/QuorvaneArt.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace quorvane {

StatusItem::StatusItem(QMenu& menu, QObject* parent)
    : QObject(parent), menu_(menu), toolTip_(QString::fromLatin1(applicationName)) {
    show();
}

StatusItem::~StatusItem() {
    delete tray_;
}

QIcon StatusItem::icon(ColorScheme panel) {
    return QuorvaneArt::menuBarIcon(panel);
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event) {
    // A new desktop palette may turn the panel dark or light.
    if (tray_ != nullptr && event->type() == QEvent::ApplicationPaletteChange)
        tray_->setIcon(icon(colorScheme(QGuiApplication::palette())));
    return QObject::eventFilter(watched, event);
}

void StatusItem::show() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        Log::app().log("No system tray: Quorvane is reached through its windows");
        return;
    }
    tray_ = new QSystemTrayIcon(icon(colorScheme(QGuiApplication::palette())));
    qApp->installEventFilter(this);
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
