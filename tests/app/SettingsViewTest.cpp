#include "app/SettingsView.h"

#include "app/AppMenus.h"
#include "app/DiagnosticsExporter.h"
#include "app/HotKeyCenter.h"
#include "app/HotKeyRecorder.h"
#include "app/HotKeyRecording.h"
#include "app/KeyNames.h"
#include "app/LaunchAtLogin.h"
#include "app/PathLabel.h"
#include "app/SettingsWindow.h"
#include "app/ShortcutsSection.h"
#include "capture/CaptureControllerRig.h"
#include "editor_window/SheetSlider.h"
#include "editor_window/SymbolIcons.h"
#include "export/ExportTesting.h"
#include "platform/AutostartLoginItem.h"
#include "platform/X11KeyboardLayout.h"
#include "support/AccessibleTree.h"
#include "support/QtPrinters.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <fstream>
#include <sys/stat.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

QString pathOf(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// Every file at or under `path` with its bytes, for comparing a folder before and after.
std::map<std::string, QByteArray> snapshot(const fs::path& folder) {
    std::map<std::string, QByteArray> files;
    const auto read = [&](const fs::path& path) {
        QFile file(pathOf(path));
        files[path.string()] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(not a file)");
    };
    if (fs::is_regular_file(folder)) read(folder);
    if (fs::is_directory(folder))
        for (const auto& entry : fs::recursive_directory_iterator(folder)) read(entry.path());
    return files;
}

struct SettingsRig {
    test::CaptureRig capture;
    test::ExportFixture exports{false};
    fs::path autostart = exports.folder / "autostart";
    fs::path program = exports.folder / "bin/quorvane";
    std::unique_ptr<PosixFile::Calls> calls = std::make_unique<PosixFile::Calls>();
    std::unique_ptr<AutostartLoginItem> item;
    std::unique_ptr<LaunchAtLogin> login;
    LogStore store{exports.folder / "log"};
    DiagnosticsExporter diagnostics{store, 0};
    HotKeyRecording recording;
    X11KeyboardLayout layout;
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    int foldersChosen = 0, exports_ = 0;
    std::unique_ptr<SettingsWindow> window;

    SettingsRig() {
        fs::create_directories(program.parent_path());
        std::ofstream(program) << "#!/bin/sh\n";
        // Executable, as a program is: an entry naming a file that cannot run counts as off.
        fs::permissions(program, fs::perms::owner_all);
        makeLogin();
    }
    void makeLogin() {
        window.reset();
        item = std::make_unique<AutostartLoginItem>(pathOf(autostart), pathOf(program), *calls);
        login = std::make_unique<LaunchAtLogin>(*item, pathOf(program), QStringList{});
    }
    SettingsView& open() {
        if (!window) {
            SettingsView::Actions actions{[this] { ++foldersChosen; }, [this] { ++exports_; }};
            window = std::make_unique<SettingsWindow>(new SettingsView(
                SettingsView::Services{*capture.controller, exports.preferences, *login, diagnostics, recording,
                                       layout, exports.beeper, icons},
                actions, QStringLiteral("/home/someone/.local/state/com.quorvane.Quorvane/log/quorvane.log")));
        }
        window->show();
        return *window->view();
    }
    Preferences& preferences() { return exports.preferences; }
};

TEST(SettingsView, OpeningAndClosingTheWindowChangesNothingStored) {
    SettingsRig rig;
    rig.preferences().setFormat(ImageExporter::Format::jpeg);
    rig.preferences().setJpegQuality(0.57);
    ASSERT_TRUE(rig.item->registerItem().ok());
    rig.login->refresh();
    const auto settingsBefore = snapshot(rig.exports.folder / "settings.json");
    const auto autostartBefore = snapshot(rig.autostart);
    SettingsView& view = rig.open();
    EXPECT_EQ(rig.window->size(), QSize(560, 680));
    EXPECT_EQ(rig.window->minimumSize(), QSize(520, 420));
    EXPECT_EQ(rig.window->windowTitle(), QStringLiteral("Quorvane Settings"));
    EXPECT_TRUE(view.launchToggle()->isChecked());
    EXPECT_EQ(view.qualityText()->text(), QStringLiteral("56%"));
    rig.window->close();
    rig.window.reset();
    EXPECT_EQ(rig.preferences().jpegQuality(), 0.57);
    EXPECT_EQ(snapshot(rig.exports.folder / "settings.json"), settingsBefore);
    EXPECT_EQ(snapshot(rig.autostart), autostartBefore);
}

TEST(SettingsView, OutputRowsFollowThePreferencesAtOnce) {
    SettingsRig rig;
    SettingsView& view = rig.open();
    EXPECT_FALSE(view.qualityRow()->isEnabled());
    view.formatBox()->setCurrentIndex(1);
    Q_EMIT view.formatBox()->activated(1);
    EXPECT_EQ(rig.preferences().format(), ImageExporter::Format::jpeg);
    EXPECT_TRUE(view.qualityRow()->isEnabled());
    for (const auto& [quality, shown, spoken] :
         {std::tuple{0.9, "90%", "90 percent"}, {0.57, "56%", "56 percent"}, {0.0, "0%", "0 percent"},
          {1.0, "100%", "100 percent"}}) {
        rig.preferences().setJpegQuality(quality);
        EXPECT_EQ(view.qualityText()->text(), QString::fromUtf8(shown));
        EXPECT_EQ(view.qualitySlider()->accessibilityValue(), QString::fromUtf8(spoken));
        // Qt's AT-SPI bridge carries only the bare number as the value.
        EXPECT_EQ(QAccessible::queryAccessibleInterface(view.qualitySlider())->text(QAccessible::Description),
                  QString::fromUtf8(spoken));
    }
    view.qualitySlider()->decrement();
    EXPECT_EQ(rig.preferences().jpegQuality(), 0.98);

    const QString shots = QDir::homePath() + QStringLiteral("/Shots");
    rig.preferences().setSaveFolder(shots);
    EXPECT_EQ(view.saveFolderLabel()->toolTip(), shots);
    EXPECT_EQ(view.saveFolderLabel()->accessibleName(), QStringLiteral("~/Shots"));
    view.chooseFolderButton()->click();
    EXPECT_EQ(rig.foldersChosen, 1);
    EXPECT_EQ(view.logCommandText()->text(),
              QStringLiteral("tail -n 200 /home/someone/.local/state/com.quorvane.Quorvane/log/quorvane.log"));
    EXPECT_EQ(SettingsView::logCommand(QStringLiteral("/h/it's here/q.log"), QStringLiteral("/h")),
              QStringLiteral("tail -n 200 ~/'it'\\''s here/q.log'"));
}

TEST(SettingsView, ShortcutRowsShowFailuresAndWriteTheStoredHotKeys) {
    SettingsRig rig;
    ShortcutsSection& shortcuts = *rig.open().shortcuts();
    EXPECT_EQ(shortcuts.recorder(HotKeyAction::captureArea)->accessibleName(),
              QStringLiteral("Shortcut for Capture Area"));
    rig.preferences().setHotKeyErrors(
        {{HotKeyAction::captureScreen, QStringLiteral("Reserved for the desktop's screenshot shortcuts")}});
    EXPECT_FALSE(shortcuts.errorRow(HotKeyAction::captureScreen)->isHidden());
    EXPECT_EQ(shortcuts.errorLabel(HotKeyAction::captureScreen)->text(),
              QStringLiteral("Reserved for the desktop's screenshot shortcuts"));
    EXPECT_TRUE(shortcuts.errorRow(HotKeyAction::captureArea)->isHidden());

    // Cleared in its recorder, an action has no stored shortcut; Restore Defaults brings all back.
    shortcuts.recorder(HotKeyAction::repeatArea)->click();
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, *KeyNames::x11Keycode(51), 0, 0);
    QApplication::sendEvent(shortcuts.recorder(HotKeyAction::repeatArea), &backspace);
    EXPECT_FALSE(rig.preferences().hotKeys().contains(HotKeyAction::repeatArea));
    EXPECT_EQ(rig.preferences().hotKeys().size(), 4u);
    shortcuts.restoreDefaultsButton()->click();
    EXPECT_EQ(rig.preferences().hotKeys(), HotKeyCenter::defaultBindings());
    EXPECT_EQ(shortcuts.recorder(HotKeyAction::repeatArea)->text(), QStringLiteral("Ctrl+Alt+Super+R"));
}

TEST(SettingsView, LaunchAtLoginShowsItsStateAndWhyASwitchFailed) {
    SettingsRig rig;
    SettingsView* view = &rig.open();
    EXPECT_EQ(view->launchStatusText()->text(), QStringLiteral("Quorvane does not open at login."));
    EXPECT_TRUE(view->launchMessageText()->isHidden());
    view->launchToggle()->click();
    EXPECT_TRUE(fs::exists(rig.autostart / AutostartLoginItem::entryName));
    EXPECT_EQ(view->launchStatusText()->text(), QStringLiteral("Quorvane opens at login."));

    // Something else in the entry's place shows the next time the window opens.
    fs::remove(rig.autostart / AutostartLoginItem::entryName);
    ASSERT_EQ(::mkfifo((rig.autostart / AutostartLoginItem::entryName).c_str(), 0600), 0);
    rig.window->hide();
    rig.open();
    EXPECT_FALSE(view->launchToggle()->isEnabled());
    EXPECT_FALSE(view->launchToggle()->isChecked());
    EXPECT_EQ(view->launchStatusText()->text(), LaunchAtLogin::notAvailableText);
    fs::remove(rig.autostart / AutostartLoginItem::entryName);

    struct FullDisk : PosixFile::Calls {
        ssize_t write(int, const void*, size_t) const override {
            errno = ENOSPC;
            return -1;
        }
    };
    rig.calls = std::make_unique<FullDisk>();
    rig.makeLogin();
    view = &rig.open();
    view->launchToggle()->click();
    EXPECT_FALSE(view->launchToggle()->isChecked());
    EXPECT_FALSE(view->launchMessageText()->isHidden());
    EXPECT_EQ(view->launchMessageText()->text(),
              QStringLiteral("Couldn't turn on launch at login: No space left on device."));
}

TEST(SettingsView, DiagnosticsShowTheExportsMessageOnlyOnceThereIsOne) {
    SettingsRig rig;
    SettingsView& view = rig.open();
    EXPECT_TRUE(view.diagnosticsMessageText()->isHidden());
    view.exportDiagnosticsButton()->click();
    EXPECT_EQ(rig.exports_, 1);
    rig.diagnostics.exportTo(pathOf(rig.exports.folder / "d.txt"), 1796591378123);
    EXPECT_FALSE(view.diagnosticsMessageText()->isHidden());
    EXPECT_EQ(view.diagnosticsMessageText()->text(), QStringLiteral("Exporting diagnostics…"));
    ASSERT_TRUE(test::waitUntil([&] { return view.diagnosticsMessageText()->text().startsWith("Exported"); }));
}

// A change made by the instance on another display shows in this window at once.
TEST(SettingsView, AnotherInstancesChangeShowsAtOnce) {
    SettingsRig rig;
    rig.exports.store.watch();
    SettingsView& view = rig.open();
    ASSERT_FALSE(view.hideAfterSaveBox()->isChecked());
    JsonSettingsStore other(rig.exports.folder / "settings.json");
    ASSERT_TRUE(other.setValues({{"hideAfterSave", true}, {"exportFormat", "jpeg"}}));
    EXPECT_TRUE(test::waitUntil([&] { return view.hideAfterSaveBox()->isChecked(); }));
    EXPECT_EQ(view.formatBox()->currentText(), QStringLiteral("JPEG"));
    EXPECT_TRUE(view.qualityRow()->isEnabled());
}

// A screen reader meets the window, its menu bar, the form and its scroll bar, each named; the
// scroll area's plumbing between them is left out.
TEST(SettingsView, AScreenReaderMeetsNamedObjectsOnly) {
    SettingsRig rig;
    rig.open();
    const auto no = [] { return false; };
    AppMenus menus{MenuState{.busy = no,
                             .exportable = no,
                             .canRepeatArea = no,
                             .hasDocument = no,
                             .hasPreviousDocument = no,
                             .hasLastExport = no,
                             .pinsOpen = no,
                             .clipboardHasImage = no,
                             .scrolling = [] { return MenuState::Scrolling::none; },
                             .launchAtLoginEnabled = no,
                             .launchAtLoginUnavailable = [] { return std::optional<QString>(); },
                             .canvasTakes = [](MenuCommand) { return false; },
                             .textFieldTakes = [](MenuCommand) { return std::optional<bool>(); }},
                   [](MenuCommand) {}};
    menus.fill(*rig.window->menuBar());
    rig.window->resize(rig.window->minimumSize());
    QScrollBar* bar = rig.window->findChild<QScrollArea*>()->verticalScrollBar();
    ASSERT_TRUE(test::waitUntil([&] { return bar->isVisible(); }));
    EXPECT_EQ(test::accessibleFaults(*rig.window), "");
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(rig.window.get());
    std::vector<std::pair<QAccessible::Role, QString>> met;
    for (int i = 0; i < window->childCount(); ++i)
        met.emplace_back(window->child(i)->role(), window->child(i)->text(QAccessible::Name));
    EXPECT_EQ(met, (std::vector<std::pair<QAccessible::Role, QString>>{
                       {QAccessible::MenuBar, "Menu bar"},
                       {QAccessible::Grouping, "Settings"},
                       {QAccessible::ScrollBar, "Vertical scroll bar"}}));
    EXPECT_EQ(window->child(1)->parent()->object(), rig.window.get());

    QStringList unnamedStops;
    for (QWidget* stop = rig.window->nextInFocusChain(); stop != rig.window.get();
         stop = stop->nextInFocusChain())
        if (stop->isVisible() && stop->isEnabled() && (stop->focusPolicy() & Qt::TabFocus) != 0 &&
            QAccessible::queryAccessibleInterface(stop)->text(QAccessible::Name).isEmpty())
            unnamedStops << QString::fromLatin1(stop->metaObject()->className());
    EXPECT_EQ(unnamedStops.join(QStringLiteral(", ")).toStdString(), "")
        << "Tab stops that show and say nothing";

    // A combo box and a shortcut recorder are named by their labels, as Qt names other controls
    // by a buddy label, and say their values in words first, which the AT-SPI bridge carries.
    const auto heard = [](QWidget* control) {
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(control);
        return element->text(QAccessible::Name) + " | " + element->text(QAccessible::Description);
    };
    SettingsView& view = *rig.window->view();
    EXPECT_EQ(
        heard(view.postCaptureBox()),
        "After capture | Open in Editor. What Quorvane does with a new screenshot. If copying or saving "
        "fails, the editor opens.");
    EXPECT_EQ(heard(view.formatBox()), "Format | PNG");
    EXPECT_EQ(heard(rig.window->findChildren<HotKeyRecorder*>().value(0)),
              "Shortcut for Capture Area | Control Alt Super 4. Press to record a new shortcut");
}

// The export's outcome stands at the foot of a form taller than the window, which opens at its
// top: as it shows, it is scrolled into view.
TEST(SettingsView, AnExportsOutcomeIsScrolledIntoView) {
    SettingsRig rig;
    SettingsView& view = rig.open();
    auto* scroll = rig.window->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    const auto inView = [&](QWidget* widget) {
        const QRect shown(widget->mapTo(scroll->viewport(), QPoint()), widget->size());
        return scroll->viewport()->rect().contains(shown);
    };
    ASSERT_TRUE(test::waitUntil([&] { return view.height() > scroll->viewport()->height(); }));
    EXPECT_FALSE(inView(view.exportDiagnosticsButton()));
    rig.diagnostics.exportTo(pathOf(rig.exports.folder / "missing/folder/d.txt"), 1796591378123);
    ASSERT_TRUE(test::waitUntil(
        [&] { return view.diagnosticsMessageText()->text().startsWith("Diagnostics export failed"); }));
    EXPECT_TRUE(test::waitUntil([&] { return inView(view.diagnosticsMessageText()); }));

    // Tab from the foot of the form back to its first control shows the form's top again, and
    // back to the foot, the foot.
    QApplication::setActiveWindow(rig.window.get());
    view.exportDiagnosticsButton()->setFocus(Qt::TabFocusReason);
    ASSERT_GT(scroll->verticalScrollBar()->value(), 0);
    const auto nearTop = [&view] {
        QWidget* focus = QApplication::focusWidget();
        return focus && view.isAncestorOf(focus) && focus->mapTo(&view, QPoint()).y() < view.height() / 4;
    };
    for (int presses = 0; presses < 5 && !nearTop(); ++presses) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
    }
    ASSERT_TRUE(nearTop());
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &back);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), scroll->verticalScrollBar()->maximum())
        << "Shift+Tab to the last control shows the foot's text";
}

} // namespace
} // namespace quorvane
