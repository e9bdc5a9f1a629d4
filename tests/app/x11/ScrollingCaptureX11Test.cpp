// Scrolling captures as a person takes them: the Scrolling Capture hot key, the region dragged out
// over another program's window, Auto ↓ on the panel, the wheel by hand, or a drag held at the
// screen's bottom edge; the stitched page opens as the document.

#include "app/AppDelegate.h"
#include "app/AppMenus.h"
#include "app/CaptureCommands.h"
#include "app/Preferences.h"
#include "app/ScrollingCommands.h"
#include "app/ScrollingSystem.h"
#include "app/ServiceFactory.h"
#include "app/Services.h"
#include "capture/CaptureController.h"
#include "capture/CaptureControllerRig.h"
#include "document/EditorDocument.h"
#include "scrolling/DragScrollStatus.h"
#include "scrolling/ScrollHUDPanel.h"
#include "scrolling/ScrollHUDView.h"
#include "scrolling/ScrollingCaptureController.h"
#include "scrolling/SystemDragSelectionOverlay.h"
#include "scrolling/SystemScrollInjector.h"
#include "support/ImageCompare.h"
#include "support/LogLines.h"
#include "support/PointerGrab.h"
#include "support/ScrollPage.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QProcess>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;
using test::xdotool;

// The page in a window of another process; `arguments` place it (see ScrollPageWindow.cpp).
struct PageWindow : QProcess {
    QRect rect;

    explicit PageWindow(const QStringList& arguments) { start(QStringLiteral(QUORVANE_SCROLL_PAGE), arguments); }
    ~PageWindow() override {
        kill();
        waitForFinished();
    }
    bool ready() {
        QByteArray output;
        if (!waitUntil([&] { return (output += readAllStandardOutput()).contains('\n'); }, 20000)) return false;
        const QList<QByteArray> words = output.trimmed().split(' ');
        if (words.size() != 5 || words[0] != "ready") return false;
        rect = QRect(words[1].toInt(), words[2].toInt(), words[3].toInt(), words[4].toInt());
        return true;
    }
};

struct Shell {
    std::unique_ptr<Services> services = ServiceFactory::make();
    test::LogLines log{"capture"};
    AppDelegate delegate{*services};
    std::vector<QString> statuses;

    Shell() {
        delegate.start();
        ScrollHUDModel& model = scrolling().model();
        QObject::connect(&model, &ScrollHUDModel::statusChanged, [this, &model] { statuses.push_back(model.status()); });
    }
    ~Shell() { delegate.aboutToQuit(); }

    ScrollingCaptureController& scrolling() const { return delegate.scrollingCommands().controller(); }
    CaptureController& captures() const { return delegate.captureController(); }
    bool sawStatus(const QString& status) const {
        return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
    }
    // The hot key, and the region dragged out from `from` to `to`.
    bool dragRegion(QPoint from, QPoint to, bool release = true) {
        xdotool(QStringLiteral("mousemove %1 %2").arg(from.x() + 40).arg(from.y() - 60));
        xdotool(QStringLiteral("key ctrl+alt+super+l"));
        if (!waitUntil([&] { return scrolling().hasDragSelection(); }, 10000)) return false;
        const QPoint middle = (from + to) / 2;
        xdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mousemove %5 %6")
                    .arg(from.x()).arg(from.y()).arg(middle.x()).arg(middle.y()).arg(to.x()).arg(to.y()));
        if (release) xdotool(QStringLiteral("mouseup 1"));
        return waitUntil([&] { return scrolling().isRunning() && scrolling().model().frames() > 0; }, 10000);
    }
    QPushButton* button(QPushButton* (ScrollHUDView::*which)() const) const {
        ScrollHUDPanel* panel = scrolling().windows().panel();
        return panel != nullptr ? (panel->view().*which)() : nullptr;
    }
    static bool click(const QPushButton& button) {
        const QPoint at = button.mapToGlobal(button.rect().center());
        return xdotool(QStringLiteral("mousemove %1 %2 click 1").arg(at.x()).arg(at.y())) == 0;
    }
    // The document once one of this size is open.
    const QImage* document(QSize size, int timeoutMs = 60000) const {
        if (!waitUntil([&] { return captures().document() != nullptr && captures().document()->image().size() == size; },
                       timeoutMs))
            return nullptr;
        return &captures().document()->image();
    }
};

// openbox places the windows, as on a desktop; it goes with the test.
class ScrollingCaptureX11 : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::x11Server().startWindowManager()); }
    void TearDown() override { test::x11Server().stopWindowManager(); }
};

bool onScreen(const QString& title) {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [&](QWidget* w) { return w->isVisible() && w->windowTitle() == title; });
}

const QImage& wholePage() {
    static const QImage page = test::ScrollPage::image(0, test::ScrollPage::pageRows);
    return page;
}

TEST_F(ScrollingCaptureX11, AutoScrollingDownStitchesTheWholePageWithItsBarsOnce) {
    PageWindow page({QStringLiteral("300"), QStringLiteral("150")});
    ASSERT_TRUE(page.ready());
    Shell shell;
    ASSERT_TRUE(shell.dragRegion(page.rect.topLeft(), page.rect.topLeft() + QPoint(page.rect.width(), page.rect.height())));
    EXPECT_EQ(shell.scrolling().region(), QRectF(page.rect));
    EXPECT_EQ(shell.delegate.menus().action(MenuCommand::scrollingCapture)->text(),
              QStringLiteral("Finish Scrolling Capture"));
    // Only the scrolling hot key acts while the capture runs.
    xdotool(QStringLiteral("key ctrl+alt+super+4"));
    test::pause(300);
    EXPECT_FALSE(shell.captures().isBusy());
    EXPECT_FALSE(shell.delegate.menus().action(MenuCommand::captureArea)->isEnabled());
    EXPECT_TRUE(shell.delegate.isCaptureInProgress());

    ASSERT_TRUE(waitUntil([&] { return shell.scrolling().model().canAutoDown(); }));
    QPushButton* autoDown = shell.button(&ScrollHUDView::autoDownButton);
    ASSERT_NE(autoDown, nullptr);
    ASSERT_TRUE(Shell::click(*autoDown));
    const QImage* stitched = shell.document(wholePage().size());
    ASSERT_NE(stitched, nullptr) << shell.scrolling().model().status().toStdString();
    EXPECT_TRUE(shell.sawStatus(QStringLiteral("Reached the end of the content")));
    EXPECT_TRUE(test::imagesNear(*stitched, wholePage(), 0));
    EXPECT_EQ(shell.log.count("Scrolling capture: 600x3064 px, partial false"), 1);
    EXPECT_FALSE(shell.delegate.isCaptureInProgress());
    EXPECT_EQ(shell.delegate.menus().action(MenuCommand::scrollingCapture)->text(), QStringLiteral("Scrolling Capture"));
    // Within two seconds of the end the command does nothing: a second after it, by the
    // command's own clock, however long the checks above took.
    ScrollingCommands& commands = shell.delegate.scrollingCommands();
    ASSERT_TRUE(commands.endedAt().has_value());
    commands.now = [ended = *commands.endedAt()] { return ended + std::chrono::seconds(1); };
    int started = 0;
    const QMetaObject::Connection starts =
        QObject::connect(&commands, &ScrollingCommands::thumbnailDismissRequested, [&] { ++started; });
    commands.scrollingCapture();
    QObject::disconnect(starts);
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(shell.scrolling().hasDragSelection());
}

TEST_F(ScrollingCaptureX11, TheWheelByHandBetweenFramesStitchesTheSamePage) {
    PageWindow page({QStringLiteral("200"), QStringLiteral("100")});
    ASSERT_TRUE(page.ready());
    Shell shell;
    ASSERT_TRUE(shell.dragRegion(page.rect.topLeft(), page.rect.topLeft() + QPoint(page.rect.width(), page.rect.height())));
    const QPoint inside = page.rect.center();
    xdotool(QStringLiteral("mousemove %1 %2").arg(inside.x()).arg(inside.y()));
    for (int click = 0; click * test::ScrollPage::rowsPerClick < test::ScrollPage::maxOffset; ++click) {
        xdotool(QStringLiteral("click 5"));
        test::pause(150);
    }
    test::pause(400);
    // Return finishes, wherever the keyboard is.
    xdotool(QStringLiteral("key Return"));
    const QImage* stitched = shell.document(wholePage().size(), 20000);
    ASSERT_NE(stitched, nullptr) << shell.scrolling().model().status().toStdString();
    EXPECT_TRUE(test::imagesNear(*stitched, wholePage(), 0));
}

TEST_F(ScrollingCaptureX11, ADragHeldAtTheBottomEdgeScrollsToTheEndAndTheReleaseFinishes) {
    PageWindow page({QStringLiteral("bottom"), QStringLiteral("300")});
    ASSERT_TRUE(page.ready());
    ASSERT_EQ(page.rect.bottom(), 1079);
    Shell shell;
    ASSERT_TRUE(shell.dragRegion(page.rect.topLeft(), QPoint(page.rect.right() + 1, 1079), false));
    EXPECT_TRUE(shell.scrolling().isDragDriven());
    EXPECT_EQ(shell.scrolling().region(), QRectF(page.rect));
    const QString end = DragScrollStatus::stopped(AutoScrollStop::of(AutoScrollStop::Kind::endReached), true);
    ASSERT_TRUE(waitUntil([&] { return shell.scrolling().model().status() == end; }, 60000))
        << shell.scrolling().model().status().toStdString();
    EXPECT_FALSE(shell.scrolling().model().attention());
    xdotool(QStringLiteral("mouseup 1"));
    const QImage* stitched = shell.document(wholePage().size(), 20000);
    ASSERT_NE(stitched, nullptr);
    EXPECT_TRUE(test::imagesNear(*stitched, wholePage(), 0));
}

TEST_F(ScrollingCaptureX11, EscapeCancelsAndWithoutTrustTheAreaPickerPicksTheRegion) {
    PageWindow page({QStringLiteral("250"), QStringLiteral("120")});
    ASSERT_TRUE(page.ready());
    Shell shell;
    bool opened = false;
    shell.captures().openImage(test::gradientImage(64, 48), QStringLiteral("before"), [&](bool done) { opened = done; });
    ASSERT_TRUE(waitUntil([&] { return opened; }));
    EditorDocument* before = shell.captures().document();
    const QPoint corner = page.rect.topLeft() + QPoint(page.rect.width(), page.rect.height());
    ASSERT_TRUE(shell.dragRegion(page.rect.topLeft(), corner));
    xdotool(QStringLiteral("key Escape"));
    ASSERT_TRUE(waitUntil([&] { return !shell.scrolling().isRunning(); }));
    EXPECT_EQ(shell.captures().document(), before);
    EXPECT_EQ(shell.delegate.captureCommands().statusToolTip(), QStringLiteral("Quorvane: Scrolling capture cancelled"));
    EXPECT_EQ(shell.scrolling().windows().panel(), nullptr);

    // Without trust the command falls back to the area picker, and the panel shows the tip.
    shell.delegate.scrollingCommands().system().systemInjector()->trust = [] { return false; };
    test::pause(2100);
    xdotool(QStringLiteral("key ctrl+alt+super+l"));
    ASSERT_TRUE(waitUntil([&] { return shell.services->areaPicker().holdsInput(); }, 10000));
    xdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mousemove %5 %6 mouseup 1")
                .arg(page.rect.left()).arg(page.rect.top())
                .arg(page.rect.center().x()).arg(page.rect.center().y())
                .arg(corner.x()).arg(corner.y()));
    ASSERT_TRUE(waitUntil([&] { return shell.scrolling().isRunning() && shell.scrolling().model().frames() > 0; }, 10000));
    EXPECT_TRUE(shell.scrolling().model().dragHint());
    // The speed picked in the panel is stored; one set in the settings comes back to the panel.
    Q_EMIT shell.scrolling().windows().panel()->view().speedPicker()->activated(0);
    EXPECT_EQ(shell.services->preferences().autoScrollSpeed(), AutoScrollSpeed::slow);
    shell.services->preferences().setAutoScrollSpeed(AutoScrollSpeed::fast);
    EXPECT_EQ(shell.scrolling().model().speed(), AutoScrollSpeed::fast);
    ASSERT_TRUE(waitUntil([&] { return shell.scrolling().model().canAutoDown(); }));
    QPushButton* autoDown = shell.button(&ScrollHUDView::autoDownButton);
    ASSERT_NE(autoDown, nullptr);
    ASSERT_TRUE(Shell::click(*autoDown));
    ASSERT_TRUE(waitUntil([&] { return shell.scrolling().model().needsAccess(); }));
    const QPushButton* allowAccess = shell.button(&ScrollHUDView::allowAccessButton);
    ASSERT_NE(allowAccess, nullptr);
    EXPECT_TRUE(allowAccess->isVisible());
    QPushButton* finish = shell.button(&ScrollHUDView::finishButton);
    ASSERT_NE(finish, nullptr);
    ASSERT_TRUE(Shell::click(*finish));
    const QImage* first = shell.document(page.rect.size(), 20000);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(test::imagesNear(*first, test::ScrollPage::image(), 0));
}

TEST_F(ScrollingCaptureX11, QuittingOrAnotherClientsGrabLeavesNoPanelAndNoGrab) {
    PageWindow page({QStringLiteral("bottom"), QStringLiteral("300")});
    ASSERT_TRUE(page.ready());
    auto shell = std::make_unique<Shell>();
    ASSERT_TRUE(shell->dragRegion(page.rect.topLeft(), QPoint(page.rect.right() + 1, 1079), false));
    ASSERT_TRUE(onScreen(QStringLiteral("Scrolling Capture")));
    // Quitting mid-capture, the button still held at the edge.
    shell->delegate.aboutToQuit();
    EXPECT_FALSE(shell->scrolling().isRunning());
    EXPECT_FALSE(onScreen(QStringLiteral("Scrolling Capture")));
    EXPECT_FALSE(onScreen(QStringLiteral("Scrolling Capture Area")));
    xdotool(QStringLiteral("mouseup 1"));
    EXPECT_TRUE(waitUntil([] { return test::pointerFree(); }, 3000)) << "the pointer is free";
    EXPECT_EQ(shell->captures().document(), nullptr);
    shell.reset();

    // Another client holds the pointer: no drag selection can start; the area picker comes
    // instead, and Escape closes it. Nothing is left behind.
    Shell again;
    test::X11Client other = test::grabPointer();
    ASSERT_NE(other, nullptr);
    xdotool(QStringLiteral("key ctrl+alt+super+l"));
    EXPECT_FALSE(waitUntil([&] { return again.scrolling().isRunning(); }, 3000));
    EXPECT_FALSE(again.scrolling().hasDragSelection());
    xdotool(QStringLiteral("key Escape"));
    EXPECT_TRUE(waitUntil([&] { return !again.captures().isBusy(); }, 15000)) << again.captures().statusMessage().toStdString();
    EXPECT_FALSE(onScreen(QStringLiteral("Scrolling Capture")));
    other.reset();
    EXPECT_TRUE(waitUntil([] { return test::pointerFree(); }, 3000));
}

// The drag selection's overlay is painted as the desktop's Increase Contrast says now.
TEST(ScrollingSystem, TheDragSelectionOverlayFollowsIncreaseContrast) {
    AccessibilityOptions options;
    ScrollingSystem system(options);
    const std::unique_ptr<DragSelectionPresenting> presenter = system.makeDragPresenter();
    auto* overlay = dynamic_cast<SystemDragSelectionOverlay*>(presenter.get());
    ASSERT_NE(overlay, nullptr);
    EXPECT_FALSE(overlay->increaseContrast());
    options.setIncreaseContrast(true);
    EXPECT_TRUE(overlay->increaseContrast());
}

} // namespace
} // namespace quorvane
