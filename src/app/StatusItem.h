#pragma once

// The tray icon with the status menu. Where no tray runs (bare X servers, some desktops) there
// is no icon, and the program is reached through its windows' menus instead.

#include "panels/ColorScheme.h"

#include <QObject>
#include <QPointer>

class QMenu;
class QSystemTrayIcon;
class QIcon;

namespace quorvane {

class StatusItem : public QObject {
    Q_OBJECT

public:
    // The menu outlives the item.
    explicit StatusItem(QMenu& menu, QObject* parent = nullptr);
    ~StatusItem() override;

    // The 18 × 18 point frond icon: dark ink on light panels, light ink on dark ones.
    static QIcon icon(ColorScheme panel);

    // Whether an icon is shown in a tray now.
    bool isShown() const;
    QString toolTip() const;
    void setToolTip(const QString& toolTip);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show();

    QMenu& menu_;
    QSystemTrayIcon* tray_ = nullptr;
    QString toolTip_;
};

} // namespace quorvane
