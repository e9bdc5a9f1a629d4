#include "panels/WindowPickerView.h"

#include "capture/CaptureControllerRig.h"
#include "editor_window/IconButton.h"
#include "panels/PanelTesting.h"
#include "panels/WindowIcons.h"
#include "panels/WindowRow.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>

namespace quorvane {
namespace {

using test::window;

struct PickerRig {
    test::CaptureRig capture;
    SymbolIcons symbols{SymbolIcons::Theme::ignore};
    WindowIcons icons{capture.service, symbols};
    std::unique_ptr<WindowPickerView> picker;

    PickerRig() {
        capture.controller->setChoosingWindow(true);
        picker = std::make_unique<WindowPickerView>(*capture.controller, icons, symbols);
        picker->show();
    }
    CaptureController& model() { return *capture.controller; }
    bool refreshWith(std::vector<CaptureWindow> windows) {
        capture.service.content.windows = std::move(windows);
        model().refreshTargets();
        return capture.settle();
    }
};

TEST(WindowPickerView, LooksForWindowsThenSaysWhatToDo) {
    PickerRig rig;
    EXPECT_EQ(rig.picker->size(), QSize(420, 380));
    rig.capture.service.holdTargets = true;
    rig.model().refreshTargets();
    EXPECT_EQ(std::tuple(rig.picker->showsEmptyState(), rig.picker->emptyTitle(),
                         rig.picker->refreshButton()->isEnabled()),
              std::tuple(true, QStringLiteral("Looking for windows…"), false));
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return !rig.capture.service.heldTargets.empty(); }));
    rig.capture.service.holdTargets = false;
    auto held = std::move(rig.capture.service.heldTargets.front());
    held(rig.capture.service.content);
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_EQ(std::tuple(rig.picker->emptyTitle(), rig.picker->emptyDescription(),
                         rig.picker->refreshButton()->isEnabled()),
              std::tuple(QStringLiteral("No Windows"),
                         QStringLiteral("Open the window you want to capture, then refresh."), true));
    rig.model().setPermissionGranted(false);
    EXPECT_EQ(rig.picker->emptyDescription(), QStringLiteral("Allow Screen Recording to list windows."));
}

TEST(WindowPickerView, ListsTheControllersWindowsInOrder) {
    PickerRig rig;
    CaptureWindow titled = window(7, QRectF(0, 0, 800.7, 600.2));
    titled.title = QStringLiteral("Report.txt");
    CaptureWindow untitled = window(8, QRectF(10, 10, 300, 200));
    CaptureWindow orphan = window(9, QRectF(20, 20, 99.9, 50), std::nullopt);
    ASSERT_TRUE(rig.refreshWith({titled, untitled, orphan}));
    const std::vector<WindowRow*> rows = rig.picker->rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rig.picker->showsEmptyState());
    EXPECT_EQ(std::tuple(WindowRow::applicationName(titled), WindowRow::subtitle(titled),
                         WindowRow::sizeText(titled), rows[0]->accessibleName()),
              std::tuple(QStringLiteral("app"), QStringLiteral("Report.txt"), QStringLiteral("800 × 600"),
                         QStringLiteral("Capture app, Report.txt")));
    EXPECT_EQ(std::pair(WindowRow::subtitle(untitled), rows[1]->accessibleName()),
              std::pair(QStringLiteral("Untitled window"), QStringLiteral("Capture app")));
    EXPECT_EQ(std::tuple(WindowRow::applicationName(orphan), WindowRow::sizeText(orphan),
                         rows[2]->window().windowID),
              std::tuple(QStringLiteral("Application"), QStringLiteral("99 × 50"), WindowID(9)));
    EXPECT_EQ(rig.icons.icon(orphan).source, WindowIcons::Source::generic);
    EXPECT_FALSE(rows[2]->icon().isNull());

    // A thousand windows list without trouble.
    std::vector<CaptureWindow> many;
    for (WindowID id = 1; id <= 1000; ++id)
        many.push_back(window(id, QRectF(0, 0, 100, 100)));
    ASSERT_TRUE(rig.refreshWith(many));
    EXPECT_EQ(rig.picker->rows().size(), 1000u);
}

TEST(WindowPickerView, PickingClosesTheSheetBeforeTheCaptureStarts) {
    PickerRig rig;
    ASSERT_TRUE(rig.refreshWith({window(7, QRectF(0, 0, 400, 300)), window(8, QRectF(0, 0, 200, 100))}));
    std::vector<QString> order;
    QObject::connect(&rig.model(), &CaptureController::choosingWindowChanged,
                     [&] { order.push_back(rig.model().isChoosingWindow() ? "open" : "closed"); });
    QObject::connect(&rig.model(), &CaptureController::busyChanged, [&] {
        if (rig.model().isBusy()) order.push_back("busy");
    });
    rig.picker->rows()[1]->click();
    EXPECT_EQ(order, (std::vector<QString>{"closed", "busy"}));
    EXPECT_EQ(rig.model().statusMessage(), QStringLiteral("Capturing window…"));
    EXPECT_EQ(std::pair(rig.model().selectedWindowID(), rig.picker->isVisible()),
              std::pair(WindowID(8), false));
    ASSERT_TRUE(rig.capture.settle());
    ASSERT_NE(rig.model().document(), nullptr);
    EXPECT_EQ(rig.model().document()->image().size(), QSize(200, 100));
}

// Tab meets the list where it stands, between Refresh and Cancel, as one stop on a row, and Return
// picks the row that has the keyboard.
TEST(WindowPickerView, TabReachesTheRowsInTheirPlaceAndReturnPicksOne) {
    PickerRig rig;
    ASSERT_TRUE(rig.refreshWith({window(7, QRectF(0, 0, 400, 300)), window(8, QRectF(0, 0, 200, 100))}));
    rig.picker->refreshButton()->setFocus(Qt::TabFocusReason);
    QStringList stops;
    for (int presses = 0; presses < 4; ++presses) {
        test::sendKey(rig.picker->focusWidget(), Qt::Key_Tab);
        stops << rig.picker->focusWidget()->accessibleName() +
                     rig.picker->focusWidget()->property("text").toString();
    }
    EXPECT_EQ(stops.join(QStringLiteral(", ")).toStdString(),
              "Capture app, Cancel, Refresh windows, Capture app");
    rig.picker->rows()[1]->setFocus(Qt::TabFocusReason);
    test::sendKey(rig.picker->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(std::pair(rig.model().selectedWindowID(), rig.picker->isVisible()),
              std::pair(WindowID(8), false));
}

// Cancel clicked, or pressed by Return or keypad Enter while it has the keyboard, and Escape.
TEST(WindowPickerView, CancelAndEscapeChangeNothing) {
    for (const int key : {0, int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape)}) {
        SCOPED_TRACE(key);
        PickerRig rig;
        ASSERT_TRUE(rig.refreshWith({window(7, QRectF(0, 0, 400, 300))}));
        rig.model().setSelectedWindowID(7);
        QPushButton* cancel = nullptr;
        for (QPushButton* button : rig.picker->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Cancel")) cancel = button;
        ASSERT_NE(cancel, nullptr);
        cancel->setFocus(Qt::TabFocusReason);
        if (key == Qt::Key_Escape)
            test::sendKey(rig.picker.get(), key);
        else if (key != 0)
            test::sendKey(cancel, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        else
            cancel->click();
        EXPECT_EQ(std::tuple(rig.model().isChoosingWindow(), rig.model().selectedWindowID(),
                             rig.picker->isVisible(), rig.model().isBusy()),
                  std::tuple(false, WindowID(7), false, false));
    }
}

// The sheet, open before its windows are listed, puts the keyboard on the first row once they are,
// so that Return picks a window; a new listing keeps it on its window's row; and Down moves it to the
// next row, which shows it and is where Tab comes back to.
TEST(WindowPickerView, TheKeyboardStartsOnTheFirstRowAndStaysOnItsWindowAndTheListShowsIt) {
    PickerRig rig;
    QApplication::setActiveWindow(rig.picker.get());
    ASSERT_TRUE(rig.refreshWith({window(7, QRectF(0, 0, 400, 300)), window(8, QRectF(0, 0, 200, 100))}));
    ASSERT_EQ(rig.picker->rows().size(), 2u);
    EXPECT_EQ(QApplication::focusWidget(), rig.picker->rows()[0]);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(rig.picker->rows()[0])->state().focused);

    rig.picker->rows()[1]->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(rig.refreshWith({window(9, QRectF(0, 0, 50, 50)), window(8, QRectF(0, 0, 200, 100))}));
    ASSERT_EQ(rig.picker->rows().size(), 2u);
    EXPECT_EQ(QApplication::focusWidget(), rig.picker->rows()[1]);

    rig.picker->rows()[0]->setFocus(Qt::TabFocusReason);
    test::sendKey(rig.picker->rows()[0], Qt::Key_Down);
    WindowRow* row = rig.picker->rows()[1];
    ASSERT_EQ(QApplication::focusWidget(), row);
    const QImage shown = row->grab().toImage();
    test::sendKey(row, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), rig.picker->refreshButton());
    EXPECT_NE(row->grab().toImage(), shown);
    test::sendKey(rig.picker->refreshButton(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), row);
}

// Return right after the sheet opens takes the first window, whether the windows were listed
// before it opened or came after: the keyboard starts on the first row, not on Cancel.
TEST(WindowPickerView, ReturnOnOpeningTakesTheFirstWindow) {
    for (const bool listedBefore : {true, false}) {
        SCOPED_TRACE(listedBefore ? "listed before" : "listed after");
        PickerRig rig;
        const std::vector<CaptureWindow> windows = {window(7, QRectF(0, 0, 400, 300)),
                                                    window(8, QRectF(0, 0, 200, 100))};
        if (listedBefore) {
            rig.picker.reset();
            ASSERT_TRUE(rig.refreshWith(windows));
            rig.picker = std::make_unique<WindowPickerView>(rig.model(), rig.icons, rig.symbols);
            rig.picker->show();
        }
        QApplication::setActiveWindow(rig.picker.get());
        if (!listedBefore) {
            ASSERT_TRUE(rig.refreshWith(windows));
        }
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        test::sendKey(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(std::pair(rig.model().selectedWindowID(), rig.picker->isVisible()),
                  std::pair(WindowID(7), false));
    }
}

// A new listing that moves the window with the keyboard to another row keeps the keyboard on that
// window: Return then takes it, not the window now in its old place.
TEST(WindowPickerView, ReturnAfterANewListingTakesTheSameWindow) {
    PickerRig rig;
    QApplication::setActiveWindow(rig.picker.get());
    ASSERT_TRUE(rig.refreshWith({window(7, QRectF(0, 0, 400, 300)), window(8, QRectF(0, 0, 200, 100))}));
    rig.picker->rows()[1]->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(rig.refreshWith({window(8, QRectF(0, 0, 200, 100)), window(9, QRectF(0, 0, 50, 50)),
                                 window(7, QRectF(0, 0, 400, 300))}));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    test::sendKey(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(std::pair(rig.model().selectedWindowID(), rig.picker->isVisible()),
              std::pair(WindowID(8), false));
}

} // namespace
} // namespace quorvane
