#pragma once

// The program's menus: one menu bar per window of ours (Quorvane, File, Edit, Window), built
// from one set of actions so that the shortcuts work in each, and the status menu of the tray
// icon. Enabling and titles are recomputed on every state change the shell reports and each
// time a menu opens (Qt ignores the shortcut of a disabled action).

#include "app/HotKeyAction.h"
#include "app/MenuCommand.h"
#include "app/MenuState.h"

#include <QObject>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace quorvane {

class AppMenus : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(MenuCommand)>;

    AppMenus(MenuState state, Handler handler, QObject* parent = nullptr);
    ~AppMenus() override;

    // The menus that fill() made in one window's menu bar.
    struct WindowMenus {
        QMenu* quorvane = nullptr;
        QMenu* file = nullptr;
        QMenu* edit = nullptr;
        QMenu* window = nullptr;
    };

    // Fills a window's menu bar with the shared actions. Each action's object name is its
    // command's name ("captureArea", "saveImageAs", "paste", "resizeImage", …), where other
    // menus' items anchor.
    WindowMenus fill(QMenuBar& bar);
    // Escape in any of the bar's menus closes it and gives the keyboard back to the window, as
    // a click elsewhere would: Qt would leave the bar holding the keyboard, unseen, and swallow
    // the next key. Call once every menu of the bar is in place.
    void returnKeyboardOnEscape(QMenuBar& bar);
    static QString objectName(MenuCommand command);
    // The status menu ("Quorvane").
    QMenu* statusMenu() const { return statusMenu_; }

    // The shared action of a command (the File menu's for captures).
    QAction* action(MenuCommand command) const;
    // The status menu's item for a hot-key action.
    QAction* statusAction(HotKeyAction action) const;

    // Shows each status capture item's hot key (text made by the shortcut formatter), or, when
    // it has none or it failed, no key and "Shortcut unavailable: " + the message as tool tip.
    void showHotKeys(const std::map<HotKeyAction, QString>& keyTexts,
                     const std::map<HotKeyAction, QString>& errors);
    // The key a status capture item shows; empty when it shows none.
    QString statusKeyText(HotKeyAction action) const;

    // Enabling, titles and check marks from the current state.
    void validate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* make(MenuCommand command, const QString& title, const QKeySequence& key = {});
    void fillQuorvaneMenu(QMenu* menu);
    void fillFileMenu(QMenu* menu);
    void fillEditMenu(QMenu* menu);
    void fillWindowMenu(QMenu* menu);
    void buildStatusMenu();
    void enable(MenuCommand command, bool enabled);
    void showStatusTitles();

    MenuState state_;
    Handler handler_;
    std::map<MenuCommand, QAction*> actions_;
    std::map<HotKeyAction, QAction*> statusCaptures_;
    std::map<HotKeyAction, QString> statusTitles_;
    std::map<HotKeyAction, QString> keyTexts_;
    QMenu* statusMenu_ = nullptr;
    QAction* statusPin_ = nullptr;
    bool validating_ = false;
    std::vector<QMenu*> barMenus_;
};

} // namespace quorvane
