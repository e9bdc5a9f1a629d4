#include "app/AppMenus.h"

#include "core/AppIdentity.h"
#include "editor_window/MenuItemAccessible.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

namespace quorvane {
namespace {

QString scrollingTitle(MenuState::Scrolling scrolling) {
    switch (scrolling) {
    case MenuState::Scrolling::running:
        return QStringLiteral("Finish Scrolling Capture");
    case MenuState::Scrolling::selectingRegion:
        return QStringLiteral("Cancel Scrolling Capture");
    case MenuState::Scrolling::none:
        break;
    }
    return QStringLiteral("Scrolling Capture");
}

} // namespace

AppMenus::AppMenus(MenuState state, Handler handler, QObject* parent)
    : QObject(parent), state_(std::move(state)), handler_(std::move(handler)) {
    // Before any menu is asked for its items: Qt keeps the first interface it made for an action.
    MenuItemAccessible::install();
    make(MenuCommand::about, QStringLiteral("About Quorvane"));
    make(MenuCommand::showSettings, QStringLiteral("Settings…"), QKeySequence(QStringLiteral("Ctrl+,")));
    make(MenuCommand::exportDiagnostics, QStringLiteral("Export Diagnostics…"));
    make(MenuCommand::hideQuorvane, QStringLiteral("Hide Quorvane"), QKeySequence(QStringLiteral("Ctrl+H")));
    make(MenuCommand::quit, QStringLiteral("Quit Quorvane"), QKeySequence(QStringLiteral("Ctrl+Q")));
    make(MenuCommand::captureScreen, QStringLiteral("Capture Screen"));
    make(MenuCommand::chooseWindow, QStringLiteral("Capture Window…"));
    make(MenuCommand::captureArea, QStringLiteral("Capture Area…"));
    make(MenuCommand::repeatArea, QStringLiteral("Repeat Area"));
    make(MenuCommand::scrollingCapture, QStringLiteral("Scrolling Capture"));
    make(MenuCommand::recognizeTextInArea, QStringLiteral("Recognize Text in Area…"));
    make(MenuCommand::saveImage, QStringLiteral("Save Image"), QKeySequence(QStringLiteral("Ctrl+S")));
    make(MenuCommand::saveImageAs, QStringLiteral("Save Image As…"),
         QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    make(MenuCommand::chooseSaveFolder, QStringLiteral("Choose Save Folder…"));
    make(MenuCommand::openImage, QStringLiteral("Open Image…"), QKeySequence(QStringLiteral("Ctrl+O")));
    make(MenuCommand::reopenLastExport, QStringLiteral("Reopen Last Export"));
    make(MenuCommand::restorePreviousDocument, QStringLiteral("Restore Previous Document"));
    make(MenuCommand::pinScreenshot, QStringLiteral("Pin Screenshot"),
         QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    make(MenuCommand::closeAllPins, QStringLiteral("Close All Pins"));
    make(MenuCommand::showEditor, QStringLiteral("Reopen Editor"), QKeySequence(QStringLiteral("Ctrl+N")));
    make(MenuCommand::closeWindow, QStringLiteral("Close Window"), QKeySequence(QStringLiteral("Ctrl+W")));
    make(MenuCommand::undo, QStringLiteral("Undo"), QKeySequence(QStringLiteral("Ctrl+Z")));
    make(MenuCommand::redo, QStringLiteral("Redo"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    make(MenuCommand::copy, QStringLiteral("Copy"), QKeySequence(QStringLiteral("Ctrl+C")));
    make(MenuCommand::paste, QStringLiteral("Paste"), QKeySequence(QStringLiteral("Ctrl+V")));
    make(MenuCommand::selectAll, QStringLiteral("Select All"), QKeySequence(QStringLiteral("Ctrl+A")));
    make(MenuCommand::duplicate, QStringLiteral("Duplicate"), QKeySequence(QStringLiteral("Ctrl+D")));
    make(MenuCommand::deleteSelection, QStringLiteral("Delete"));
    make(MenuCommand::redactText, QStringLiteral("Redact Text…"),
         QKeySequence(QStringLiteral("Ctrl+Shift+R")));
    make(MenuCommand::resizeImage, QStringLiteral("Resize Image…"),
         QKeySequence(QStringLiteral("Ctrl+Alt+I")));
    make(MenuCommand::editBackdrop, QStringLiteral("Backdrop…"), QKeySequence(QStringLiteral("Ctrl+Alt+B")));
    make(MenuCommand::minimize, QStringLiteral("Minimize"), QKeySequence(QStringLiteral("Ctrl+M")));
    make(MenuCommand::zoom, QStringLiteral("Zoom"));
    make(MenuCommand::showRecognizedText, QStringLiteral("Recognized Text"));
    make(MenuCommand::bringAllToFront, QStringLiteral("Bring All to Front"));
    make(MenuCommand::toggleLaunchAtLogin, QStringLiteral("Launch at Login"))->setCheckable(true);
    buildStatusMenu();
    validate();
    // Enabling is current when a key equivalent is pressed, as when a menu opens: the canvas's
    // undo stack, its selection and the clipboard change without telling the menus.
    qApp->installEventFilter(this);
}

void AppMenus::returnKeyboardOnEscape(QMenuBar& bar) {
    for (QAction* item : bar.actions()) {
        QMenu* menu = item->menu();
        if (menu == nullptr || std::find(barMenus_.begin(), barMenus_.end(), menu) != barMenus_.end()) continue;
        menu->installEventFilter(this);
        barMenus_.push_back(menu);
        connect(menu, &QObject::destroyed, this, [this, menu] { std::erase(barMenus_, menu); });
    }
}

bool AppMenus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        if (const auto menu = std::find(barMenus_.begin(), barMenus_.end(), watched); menu != barMenus_.end()) {
            (*menu)->hide();
            return true;
        }
    }
    // Qt asks the focus object first whether it overrides a shortcut, then matches the enabled
    // actions: validating on that question settles the match. Our key equivalents all hold Ctrl.
    if (event->type() == QEvent::ShortcutOverride && !validating_ &&
        static_cast<QKeyEvent*>(event)->modifiers().testFlag(Qt::ControlModifier)) {
        validating_ = true;
        validate();
        validating_ = false;
    }
    return QObject::eventFilter(watched, event);
}

AppMenus::~AppMenus() {
    delete statusMenu_;
}

QAction* AppMenus::make(MenuCommand command, const QString& title, const QKeySequence& key) {
    auto* action = new QAction(title, this);
    action->setObjectName(objectName(command));
    action->setShortcut(key);
    // Each window has its own menu bar: the shortcut works in the window that has focus.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, command] { handler_(command); });
    actions_[command] = action;
    return action;
}

QAction* AppMenus::action(MenuCommand command) const {
    return actions_.at(command);
}

QAction* AppMenus::statusAction(HotKeyAction action) const {
    return statusCaptures_.at(action);
}

AppMenus::WindowMenus AppMenus::fill(QMenuBar& bar) {
    bar.setAccessibleName(QStringLiteral("Menu bar"));
    // The Quorvane menu comes first, before any menu the window has of its own.
    QAction* first = bar.actions().isEmpty() ? nullptr : bar.actions().first();
    WindowMenus made;
    const std::tuple<QString, void (AppMenus::*)(QMenu*), QMenu**> menus[] = {
        {QString::fromLatin1(applicationName), &AppMenus::fillQuorvaneMenu, &made.quorvane},
        {QStringLiteral("File"), &AppMenus::fillFileMenu, &made.file},
        {QStringLiteral("Edit"), &AppMenus::fillEditMenu, &made.edit},
        {QStringLiteral("Window"), &AppMenus::fillWindowMenu, &made.window}};
    for (const auto& [title, fillMenu, slot] : menus) {
        auto* menu = new QMenu(title, &bar);
        (this->*fillMenu)(menu);
        bar.insertMenu(first, menu);
        connect(menu, &QMenu::aboutToShow, this, &AppMenus::validate);
        *slot = menu;
    }
    return made;
}

QString AppMenus::objectName(MenuCommand command) {
    using enum MenuCommand;
    static const std::map<MenuCommand, const char*> names = {
        {about, "about"},
        {showSettings, "showSettings"},
        {exportDiagnostics, "exportDiagnostics"},
        {hideQuorvane, "hideQuorvane"},
        {quit, "quit"},
        {captureScreen, "captureScreen"},
        {chooseWindow, "chooseWindow"},
        {captureArea, "captureArea"},
        {repeatArea, "repeatArea"},
        {scrollingCapture, "scrollingCapture"},
        {recognizeTextInArea, "recognizeTextInArea"},
        {saveImage, "saveImage"},
        {saveImageAs, "saveImageAs"},
        {chooseSaveFolder, "chooseSaveFolder"},
        {openImage, "openImage"},
        {reopenLastExport, "reopenLastExport"},
        {restorePreviousDocument, "restorePreviousDocument"},
        {pinScreenshot, "pinScreenshot"},
        {closeAllPins, "closeAllPins"},
        {showEditor, "showEditor"},
        {closeWindow, "closeWindow"},
        {undo, "undo"},
        {redo, "redo"},
        {copy, "copy"},
        {paste, "paste"},
        {selectAll, "selectAll"},
        {duplicate, "duplicate"},
        {deleteSelection, "delete"},
        {redactText, "redactText"},
        {resizeImage, "resizeImage"},
        {editBackdrop, "editBackdrop"},
        {minimize, "minimize"},
        {zoom, "zoom"},
        {showRecognizedText, "showRecognizedText"},
        {bringAllToFront, "bringAllToFront"},
        {toggleLaunchAtLogin, "toggleLaunchAtLogin"},
    };
    return QString::fromLatin1(names.at(command));
}

void AppMenus::fillQuorvaneMenu(QMenu* menu) {
    menu->addAction(action(MenuCommand::about));
    menu->addSeparator();
    menu->addAction(action(MenuCommand::showSettings));
    menu->addAction(action(MenuCommand::exportDiagnostics));
    menu->addSeparator();
    menu->addAction(action(MenuCommand::hideQuorvane));
    menu->addSeparator();
    menu->addAction(action(MenuCommand::quit));
}

void AppMenus::fillFileMenu(QMenu* menu) {
    for (MenuCommand command :
         {MenuCommand::captureScreen, MenuCommand::chooseWindow, MenuCommand::captureArea,
          MenuCommand::repeatArea, MenuCommand::scrollingCapture, MenuCommand::recognizeTextInArea})
        menu->addAction(action(command));
    menu->addSeparator();
    for (MenuCommand command :
         {MenuCommand::saveImage, MenuCommand::saveImageAs, MenuCommand::chooseSaveFolder,
          MenuCommand::openImage, MenuCommand::reopenLastExport, MenuCommand::restorePreviousDocument})
        menu->addAction(action(command));
    menu->addSeparator();
    menu->addAction(action(MenuCommand::pinScreenshot));
    menu->addAction(action(MenuCommand::closeAllPins));
    menu->addSeparator();
    menu->addAction(action(MenuCommand::showEditor));
    menu->addAction(action(MenuCommand::closeWindow));
}

void AppMenus::fillEditMenu(QMenu* menu) {
    menu->addAction(action(MenuCommand::undo));
    menu->addAction(action(MenuCommand::redo));
    menu->addSeparator();
    for (MenuCommand command : {MenuCommand::copy, MenuCommand::paste, MenuCommand::selectAll,
                                MenuCommand::duplicate, MenuCommand::deleteSelection})
        menu->addAction(action(command));
    menu->addSeparator();
    menu->addAction(action(MenuCommand::redactText));
    menu->addAction(action(MenuCommand::resizeImage));
    menu->addAction(action(MenuCommand::editBackdrop));
}

void AppMenus::fillWindowMenu(QMenu* menu) {
    menu->addAction(action(MenuCommand::minimize));
    menu->addAction(action(MenuCommand::zoom));
    menu->addAction(action(MenuCommand::showRecognizedText));
    menu->addSeparator();
    menu->addAction(action(MenuCommand::bringAllToFront));
}

void AppMenus::buildStatusMenu() {
    statusMenu_ = new QMenu(QString::fromLatin1(applicationName));
    statusMenu_->setAccessibleName(statusMenu_->title());
    statusMenu_->setToolTipsVisible(true);
    connect(statusMenu_, &QMenu::aboutToShow, this, &AppMenus::validate);
    auto* open = statusMenu_->addAction(QStringLiteral("Open Quorvane"));
    connect(open, &QAction::triggered, this, [this] { handler_(MenuCommand::showEditor); });
    statusMenu_->addSeparator();
    const std::pair<HotKeyAction, QString> captures[] = {
        {HotKeyAction::captureArea, QStringLiteral("Capture Area")},
        {HotKeyAction::captureScreen, QStringLiteral("Capture Screen")},
        {HotKeyAction::repeatArea, QStringLiteral("Repeat Area")},
        {HotKeyAction::scrollingCapture, QStringLiteral("Scrolling Capture")},
        {HotKeyAction::recognizeArea, QStringLiteral("Recognize Text/QR")}};
    const std::map<HotKeyAction, MenuCommand> commands = {
        {HotKeyAction::captureArea, MenuCommand::captureArea},
        {HotKeyAction::captureScreen, MenuCommand::captureScreen},
        {HotKeyAction::repeatArea, MenuCommand::repeatArea},
        {HotKeyAction::scrollingCapture, MenuCommand::scrollingCapture},
        {HotKeyAction::recognizeArea, MenuCommand::recognizeTextInArea}};
    for (const auto& [hotKey, title] : captures) {
        auto* item = new QAction(title, this);
        statusTitles_[hotKey] = title;
        connect(item, &QAction::triggered, this,
                [this, command = commands.at(hotKey)] { handler_(command); });
        statusCaptures_[hotKey] = item;
        // Its key shows after a tab; a screen reader hears it as the item's shortcut.
        MenuItemAccessible::showsKeyInText(*item);
        // "Capture Window…" sits between Capture Screen and Repeat Area.
        if (hotKey == HotKeyAction::repeatArea) statusMenu_->addAction(action(MenuCommand::chooseWindow));
        statusMenu_->addAction(item);
    }
    statusMenu_->addSeparator();
    // The tray's own Pin item: its key works only inside a window of ours, so it shows none.
    statusPin_ = statusMenu_->addAction(QStringLiteral("Pin Screenshot"));
    connect(statusPin_, &QAction::triggered, this, [this] { handler_(MenuCommand::pinScreenshot); });
    statusMenu_->addAction(action(MenuCommand::closeAllPins));
    statusMenu_->addSeparator();
    statusMenu_->addAction(action(MenuCommand::toggleLaunchAtLogin));
    statusMenu_->addAction(action(MenuCommand::showSettings));
    statusMenu_->addSeparator();
    statusMenu_->addAction(action(MenuCommand::quit));
}

void AppMenus::showHotKeys(const std::map<HotKeyAction, QString>& keyTexts,
                           const std::map<HotKeyAction, QString>& errors) {
    for (const auto& [hotKey, item] : statusCaptures_) {
        const auto key = keyTexts.find(hotKey);
        const auto error = errors.find(hotKey);
        const bool works = key != keyTexts.end() && error == errors.end();
        // The key is grabbed globally: the item only shows it, in the shortcut column, in the
        // desktop's words ("Super", which Qt's own key names lack).
        keyTexts_[hotKey] = works ? key->second : QString();
        item->setToolTip(!works && error != errors.end() ? QStringLiteral("Shortcut unavailable: ") + error->second
                                                        : QString());
    }
    showStatusTitles();
}

void AppMenus::showStatusTitles() {
    const QString scrolling = scrollingTitle(state_.scrolling());
    for (const auto& [hotKey, item] : statusCaptures_) {
        const QString title = hotKey == HotKeyAction::scrollingCapture ? scrolling : statusTitles_.at(hotKey);
        const QString& key = keyTexts_[hotKey];
        item->setText(key.isEmpty() ? title : title + QLatin1Char('\t') + key);
    }
}

QString AppMenus::statusKeyText(HotKeyAction action) const {
    const auto key = keyTexts_.find(action);
    return key == keyTexts_.end() ? QString() : key->second;
}

void AppMenus::enable(MenuCommand command, bool enabled) {
    action(command)->setEnabled(enabled);
}

void AppMenus::validate() {
    const bool busy = state_.busy();
    const MenuState::Scrolling scrolling = state_.scrolling();
    const bool scrollingActive = scrolling != MenuState::Scrolling::none;
    const bool exportable = state_.exportable();
    const bool capturable = !busy && !scrollingActive;
    for (MenuCommand command : {MenuCommand::captureScreen, MenuCommand::chooseWindow,
                                MenuCommand::captureArea, MenuCommand::recognizeTextInArea})
        enable(command, capturable);
    enable(MenuCommand::repeatArea, capturable && state_.canRepeatArea());
    enable(MenuCommand::openImage, capturable);
    for (MenuCommand command :
         {MenuCommand::undo, MenuCommand::redo, MenuCommand::copy, MenuCommand::selectAll,
          MenuCommand::duplicate, MenuCommand::deleteSelection, MenuCommand::redactText}) {
        const std::optional<bool> field = state_.textFieldTakes(command);
        enable(command, field ? *field : state_.canvasTakes(command));
    }
    // Paste opens what the clipboard holds as the new document, also over an open one.
    const std::optional<bool> fieldPastes = state_.textFieldTakes(MenuCommand::paste);
    enable(MenuCommand::paste, fieldPastes ? *fieldPastes : capturable && state_.clipboardHasImage());
    enable(MenuCommand::saveImage, exportable);
    enable(MenuCommand::saveImageAs, exportable);
    enable(MenuCommand::pinScreenshot, exportable);
    enable(MenuCommand::reopenLastExport, !busy && state_.hasLastExport());
    enable(MenuCommand::chooseSaveFolder, !busy);
    enable(MenuCommand::closeAllPins, state_.pinsOpen());
    enable(MenuCommand::scrollingCapture, !busy);
    action(MenuCommand::scrollingCapture)->setText(scrollingTitle(scrolling));
    showStatusTitles();
    enable(MenuCommand::resizeImage, !busy && state_.hasDocument());
    enable(MenuCommand::editBackdrop, !busy && state_.hasDocument());
    enable(MenuCommand::restorePreviousDocument, !busy && state_.hasPreviousDocument());
    QAction* login = action(MenuCommand::toggleLaunchAtLogin);
    const std::optional<QString> loginUnavailable = state_.launchAtLoginUnavailable();
    login->setChecked(state_.launchAtLoginEnabled());
    login->setEnabled(!loginUnavailable);
    login->setToolTip(loginUnavailable.value_or(QString()));
    // The status menu's capture items follow their File menu twins.
    for (const auto& [hotKey, item] : statusCaptures_) {
        const MenuCommand twin = hotKey == HotKeyAction::captureArea     ? MenuCommand::captureArea
                                 : hotKey == HotKeyAction::captureScreen ? MenuCommand::captureScreen
                                 : hotKey == HotKeyAction::repeatArea    ? MenuCommand::repeatArea
                                 : hotKey == HotKeyAction::scrollingCapture
                                     ? MenuCommand::scrollingCapture
                                     : MenuCommand::recognizeTextInArea;
        item->setEnabled(action(twin)->isEnabled());
    }
    statusPin_->setEnabled(action(MenuCommand::pinScreenshot)->isEnabled());
}

} // namespace quorvane
