#include "panels/HomeView.h"

#include "capture/CaptureControllerRig.h"
#include "editor_window/IconButton.h"
#include "editor_window/SymbolIcons.h"
#include "export/ExportTesting.h"
#include "panels/CaptureTile.h"
#include "panels/PermissionBanner.h"
#include "support/AccessibleTree.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QToolButton>
#include <map>

namespace quorvane {
namespace {

using Command = ShortcutTextSource::Command;
using Tile = HomeView::Tile;

struct FakeShortcuts : ShortcutTextSource {
    std::map<Command, QString> texts{{Command::captureArea, "Ctrl+Alt+Super+4"},
                                     {Command::captureScreen, "Ctrl+Alt+Super+3"},
                                     {Command::recognizeArea, "Ctrl+Alt+Super+O"},
                                     {Command::repeatArea, "Ctrl+Alt+Super+R"},
                                     {Command::openImage, "Ctrl+O"},
                                     {Command::showSettings, "Ctrl+,"}};
    std::optional<QString> text(Command command) const override {
        const auto found = texts.find(command);
        return found == texts.end() ? std::nullopt : std::optional(found->second);
    }
};

void makeActive(QWidget& window) {
    window.activateWindow();
    QApplication::setActiveWindow(&window);
}

struct HomeRig {
    test::CaptureRig capture;
    test::ExportFixture exports{false};
    ExportController exporter{[this] { return capture.controller->document(); }, exports.preferences,
                              exports.clipboard, exports.beeper, test::ExportFixture::refuseReopening};
    FakeShortcuts shortcuts;
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    HomeView home{*capture.controller, exporter, shortcuts, icons};

    HomeRig() {
        capture.controller->isDirty = [this](EditorDocument* document) {
            return exporter.hasUnexportedChanges(document);
        };
        home.resize(460, 420);
        home.show();
    }
    CaptureController& model() { return *capture.controller; }
    bool shown(QWidget* widget) { return widget->isVisibleTo(&home); }
};

TEST(HomeView, TilesShowTheirShortcutsInLinuxForm) {
    HomeRig rig;
    CaptureTile* area = rig.home.tile(Tile::area);
    EXPECT_EQ(std::tuple(area->accessibleName(), area->toolTip(), area->accessibleDescription(),
                         area->shortcutLine()),
              std::tuple(QStringLiteral("Capture Area"), QStringLiteral("Capture area (Ctrl+Alt+Super+4)"),
                         QStringLiteral("Shortcut Ctrl+Alt+Super+4"), QStringLiteral("Ctrl+Alt+Super+4")));
    CaptureTile* window = rig.home.tile(Tile::window);
    EXPECT_EQ(std::tuple(window->toolTip(), window->accessibleDescription(), window->shortcutLine()),
              std::tuple(QStringLiteral("Capture window"), QString(), QStringLiteral(" ")));
    EXPECT_EQ(rig.home.tile(Tile::text)->shortcutText(), QStringLiteral("Ctrl+Alt+Super+O"));
    EXPECT_EQ(rig.home.settingsButton()->toolTip(), QStringLiteral("Settings (Ctrl+,)"));
    EXPECT_EQ(
        rig.home.openImageButton()->toolTip(),
        QStringLiteral("Open a PNG, JPEG, HEIC, TIFF, GIF, or BMP image to annotate (Ctrl+O), or drop one on "
                       "this window"));
    // A hot key that failed to register shows no shortcut, whatever is bound.
    rig.shortcuts.texts.erase(Command::captureArea);
    Q_EMIT rig.shortcuts.changed();
    EXPECT_EQ(std::tuple(area->toolTip(), area->accessibleDescription(), area->shortcutLine()),
              std::tuple(QStringLiteral("Capture area"), QString(), QStringLiteral(" ")));
    // Every tile keeps one height, with or without a shortcut.
    for (Tile tile : {Tile::area, Tile::screen, Tile::window, Tile::text})
        EXPECT_EQ(rig.home.tile(tile)->height(), area->height());
    EXPECT_GE(area->height(), CaptureTile::minimumHeight);
    // The header: 38 points high, 8 points in, and it drags the window.
    EXPECT_EQ(rig.home.header()->height(), 38);
    EXPECT_EQ(rig.home.header()->layout()->contentsMargins().left(), 8);
    EXPECT_TRUE(rig.home.header()->inherits("quorvane::WindowDragArea"));
}

// The tile the keyboard reached by Tab shows it; a tile focused by a click shows nothing.
TEST(HomeView, ATileReachedByTabShowsTheKeyboard) {
    HomeRig rig;
    makeActive(rig.home);
    CaptureTile* screen = rig.home.tile(Tile::screen);
    screen->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(screen->hasFocus());
    const QImage clicked = screen->grab().toImage();
    rig.home.tile(Tile::area)->setFocus(Qt::MouseFocusReason);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(rig.home.tile(Tile::area), &tab);
    ASSERT_EQ(rig.home.focusWidget(), screen);
    const QImage tabbed = screen->grab().toImage();
    int changed = 0;
    for (int y = 0; y < tabbed.height(); ++y)
        for (int x = 0; x < tabbed.width(); ++x)
            changed += tabbed.pixel(x, y) != clicked.pixel(x, y);
    EXPECT_GT(changed, 2 * (tabbed.width() + tabbed.height()));
}

TEST(HomeView, BusyCapturesMakeTheTilesInertAndTheDelayIsWritten) {
    HomeRig rig;
    rig.home.delaySegment(3)->click();
    EXPECT_EQ(rig.model().captureDelay(), 3);
    EXPECT_TRUE(rig.home.delaySegment(3)->isChecked());
    // The Window tile opens the picker at once and lists the windows.
    rig.capture.service.holdTargets = true;
    rig.home.tile(Tile::window)->click();
    EXPECT_EQ(std::tuple(rig.model().isChoosingWindow(), rig.model().isBusy(), rig.model().statusMessage()),
              std::tuple(true, true, QStringLiteral("Refreshing windows…")));
    EXPECT_FALSE(rig.home.tileGrid()->isEnabled());
    EXPECT_FALSE(rig.home.delayRow()->isEnabled());
    EXPECT_FALSE(rig.home.bottomRow()->isEnabled());
    EXPECT_TRUE(rig.home.settingsButton()->isEnabled());
    // Nothing reacts meanwhile.
    const int listings = rig.capture.service.listings;
    rig.home.tile(Tile::screen)->click();
    rig.home.delaySegment(5)->click();
    EXPECT_EQ(std::pair(rig.capture.service.listings, rig.model().captureDelay()), std::pair(listings, 3));
    rig.capture.service.holdTargets = false;
    auto held = std::move(rig.capture.service.heldTargets);
    for (auto& done : held)
        done(rig.capture.service.content);
    ASSERT_TRUE(rig.capture.settle()) << rig.model().statusMessage().toStdString();
    EXPECT_TRUE(rig.home.tileGrid()->isEnabled());
}

TEST(HomeView, RepeatReopenAndRestoreShowOnlyWhenTheyCanAct) {
    HomeRig rig;
    EXPECT_FALSE(rig.shown(rig.home.repeatAreaButton()));
    EXPECT_FALSE(rig.shown(rig.home.reopenLastExportButton()));
    EXPECT_FALSE(rig.shown(rig.home.restorePreviousButton()));
    EXPECT_FALSE(rig.shown(rig.home.permissionBanner()));
    // After an area capture: Repeat Area, with its shortcut in the help text.
    rig.model().captureArea();
    ASSERT_TRUE(rig.capture.pickerOpen());
    rig.capture.overlay.finish(QRectF(10, 10, 100, 80));
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_TRUE(rig.shown(rig.home.repeatAreaButton()));
    EXPECT_EQ(rig.home.repeatAreaButton()->toolTip(),
              QStringLiteral("Capture the last area again (Ctrl+Alt+Super+R)"));
    // After an export: Reopen Last Export.
    ASSERT_TRUE(rig.exporter.saveToFolder(ExportController::AfterSave::keepEditor,
                                          ExportController::Encoding::onGUIThread));
    EXPECT_TRUE(rig.shown(rig.home.reopenLastExportButton()));
    // An edited document replaced by another is kept: Restore Previous.
    EditorDocument* first = rig.model().document();
    first->addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(4, 4, 10, 10), Qt::green));
    rig.model().openImage(test::gradientImage(30, 20), std::nullopt);
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_TRUE(rig.shown(rig.home.restorePreviousButton()));
    rig.home.restorePreviousButton()->click();
    EXPECT_EQ(rig.model().document(), first);

    // The banner shows while screen capture is refused and asks again.
    rig.capture.service.grantsAccess = false;
    rig.model().setPermissionGranted(false);
    EXPECT_TRUE(rig.shown(rig.home.permissionBanner()));
    QStringList texts;
    for (QLabel* label : rig.home.permissionBanner()->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Screen Recording is off")));
    EXPECT_TRUE(
        texts.contains(QStringLiteral("Allow Quorvane in your desktop settings, then reopen Quorvane.")));
    EXPECT_EQ(test::accessibleFaults(*rig.home.permissionBanner()), "") << "its lock is no unnamed image";
    const auto buttons = rig.home.permissionBanner()->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("Allow…"));
    rig.capture.service.grantsAccess = true;
    buttons[0]->click();
    EXPECT_FALSE(rig.shown(rig.home.permissionBanner()));
}

// Listeners of focus changes walk the window's widgets; a home view that goes while one of its
// buttons has the keyboard must hand it back while its children are still whole.
TEST(HomeView, GoingWhileOneOfItsButtonsHasTheKeyboardLeavesTheWindowWhole) {
    test::CaptureRig capture;
    test::ExportFixture exports{false};
    ExportController exporter{[&] { return capture.controller->document(); }, exports.preferences,
                              exports.clipboard, exports.beeper, test::ExportFixture::refuseReopening};
    FakeShortcuts shortcuts;
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    QWidget window;
    auto* home = new HomeView(*capture.controller, exporter, shortcuts, icons, {}, &window);
    window.show();
    makeActive(window);
    home->tile(Tile::window)->setFocus();
    ASSERT_TRUE(home->tile(Tile::window)->hasFocus());
    int walks = 0;
    const auto watch = QObject::connect(qApp, &QApplication::focusChanged, [&] {
        window.findChildren<QAbstractButton*>();
        ++walks;
    });
    delete home;
    QObject::disconnect(watch);
    EXPECT_EQ(walks, 1);
}

} // namespace
} // namespace quorvane
