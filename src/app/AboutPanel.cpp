#include "app/AboutPanel.h"

#include "app/StatusItem.h"
#include "core/AppIdentity.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

namespace quorvane {

AboutPanel::~AboutPanel() {
    delete panel_.data();
}

void AboutPanel::show() {
    if (panel_ == nullptr) {
        panel_ = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About Quorvane"),
                                 QString::fromLatin1(applicationName), QMessageBox::Ok);
        panel_->setInformativeText(QStringLiteral("Version ") + QApplication::applicationVersion());
        panel_->setIconPixmap(StatusItem::icon(colorScheme(panel_->palette())).pixmap(64, 64));
        // Qt's box leaves its icon unnamed; a screen reader would meet an image without a name.
        if (auto* icon = panel_->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label")))
            icon->setAccessibleName(QStringLiteral("Quorvane icon"));
        panel_->setAttribute(Qt::WA_DeleteOnClose);
        // Wide enough that window managers show the whole title.
        panel_->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: 200px; }"));
        // Not modal: the program goes on while it shows.
        panel_->setWindowModality(Qt::NonModal);
    }
    panel_->show();
    panel_->raise();
    panel_->activateWindow();
}

} // namespace quorvane
