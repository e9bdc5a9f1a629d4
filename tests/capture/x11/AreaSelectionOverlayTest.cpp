#include "capture/AreaSelectionOverlay.h"

#include "capture/CaptureFailure.h"
#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "platform/Geometry.h"
#include "support/ImageCompare.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;

int xdotool(const QStringList& arguments, QString* output = nullptr) {
    return test::x11Server().run(QStringLiteral("xdotool"), arguments, output);
}

QString number(qint64 value) {
    return QString::number(value);
}

// Counts what reaches it, to show that nothing holds the pointer or keyboard any more.
class Probe : public QWidget {
public:
    Probe() {
        setFixedSize(120, 120);
        setFocusPolicy(Qt::StrongFocus);
    }
    int presses = 0;
    int keys = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

class AreaSelectionOverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        frozen = QImage(1920, 1080, QImage::Format_RGBA8888_Premultiplied);
        frozen.fill(QColor(40, 90, 160));
        QPainter(&frozen).fillRect(QRect(0, 0, 960, 540), QColor(200, 180, 20));
        probe.move(1700, 900);
        probe.show();
        ASSERT_TRUE(waitUntil([&] { return probe.windowHandle()->isExposed(); }));
    }
    void TearDown() override { test::joinMonitors(); }

    AreaSelectionOverlay::SelectionID select(bool taskCancelled = false,
                                             QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRectF frame(screen->geometry());
        return overlay.select(frozen.copy(frame.toRect()), screen, CaptureGeometry{frame, 1}, std::nullopt,
                              taskCancelled, [this](Result<QRectF, Error> value) {
                                  ++calls;
                                  result = std::move(value);
                              });
    }
    AreaSelectionOverlay::SelectionID open(QScreen* screen = QGuiApplication::primaryScreen()) {
        calls = 0;
        const auto id = select(false, screen);
        EXPECT_NE(id, 0u);
        EXPECT_TRUE(waitUntil([&] { return overlay.holdsInput(); }));
        return id;
    }

    bool hasSelection() const {
        const AreaSelectionView* view = overlay.view();
        return view != nullptr && view->selection().has_value();
    }
    void expectRectangle(const QRectF& expected) {
        ASSERT_TRUE(waitUntil([&] { return calls > 0; }));
        ASSERT_TRUE(result->ok());
        EXPECT_TRUE(geom::exactlyEqual(**result, expected));
    }
    void expectCancelledOnce() {
        ASSERT_TRUE(waitUntil([&] { return calls > 0; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 1);
        ASSERT_FALSE(result->ok());
        EXPECT_TRUE(isCancellation(result->error()));
        EXPECT_FALSE(overlay.isOpen());
        EXPECT_EQ(overlay.window(), nullptr);
    }

    // After any ending, another window takes clicks and keys again.
    void expectInputFree() {
        QGuiApplication::sync();
        const int presses = probe.presses, keys = probe.keys;
        const QPoint centre = probe.mapToGlobal(QPoint(60, 60));
        xdotool({QStringLiteral("mousemove"), number(centre.x()), number(centre.y()), QStringLiteral("click"),
                 QStringLiteral("1")});
        EXPECT_TRUE(waitUntil([&] { return probe.presses > presses; }));
        probe.activateWindow();
        probe.setFocus();
        waitUntil([&] { return QGuiApplication::focusWindow() == probe.windowHandle(); }, 1000);
        xdotool({QStringLiteral("key"), QStringLiteral("x")});
        EXPECT_TRUE(waitUntil([&] { return probe.keys > keys; }));
    }

    void drag(QPoint from, QPoint to, const QString& held = {}) {
        if (!held.isEmpty()) xdotool({QStringLiteral("keydown"), held});
        xdotool({QStringLiteral("mousemove"), number(from.x()), number(from.y()), QStringLiteral("mousedown"),
                 QStringLiteral("1"), QStringLiteral("mousemove"), number((from.x() + to.x()) / 2),
                 number((from.y() + to.y()) / 2), QStringLiteral("mousemove"), number(to.x()), number(to.y()),
                 QStringLiteral("mouseup"), QStringLiteral("1")});
        if (!held.isEmpty()) xdotool({QStringLiteral("keyup"), held});
    }

    QImage frozen;
    Probe probe;
    AreaSelectionOverlay overlay;
    std::optional<Result<QRectF, Error>> result;
    int calls = 0;
};

TEST_F(AreaSelectionOverlayTest, ShowsTheFrozenImageAboveEverythingAndReturnsADraggedRectangle) {
    open();
    // The picker covers the display with the frozen image, over the probe window too.
    SystemCaptureService service;
    const auto content =
        test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
    ASSERT_TRUE(content.ok());
    const auto screen = test::awaitResult<QImage>([&](auto done) {
        service.image(ContentFilter::forDisplay(content->displays.front()), std::move(done));
    });
    ASSERT_TRUE(screen.ok());
    EXPECT_TRUE(test::imagesNear(screen->copy(0, 0, 1920, 900), frozen.copy(0, 0, 1920, 900), 0));

    drag(QPoint(100, 200), QPoint(400, 350));
    expectRectangle(QRectF(100, 200, 300, 150));
    EXPECT_EQ(calls, 1);
    expectInputFree();
}

TEST_F(AreaSelectionOverlayTest, KeepsATinyDragForReturnAndAnAltReleaseUntilEscape) {
    open();
    drag(QPoint(500, 500), QPoint(503, 503));
    ASSERT_TRUE(waitUntil([&] { return hasSelection(); }));
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(calls, 0);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    expectRectangle(QRectF(500, 500, 3, 3));
    expectInputFree();

    open();
    drag(QPoint(100, 100), QPoint(300, 200), QStringLiteral("alt"));
    ASSERT_TRUE(waitUntil([&] { return hasSelection(); }));
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(calls, 0);
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    expectCancelledOnce();
    expectInputFree();
}

TEST_F(AreaSelectionOverlayTest, ASecondSelectFailsAndLeavesTheFirstAlone) {
    open();
    std::optional<Result<QRectF, Error>> second;
    EXPECT_EQ(overlay.select(frozen, QGuiApplication::primaryScreen(),
                             CaptureGeometry{QRectF(0, 0, 1920, 1080), 1}, std::nullopt, false,
                             [&](Result<QRectF, Error> r) { second = std::move(r); }),
              0u);
    EXPECT_FALSE(second.has_value()); // never inside the call
    ASSERT_TRUE(waitUntil([&] { return second.has_value(); }));
    EXPECT_EQ(second->error(), (Error{QStringLiteral("Quorvane.Area"), 1,
                                      QStringLiteral("An area selection is already open.")}));
    EXPECT_TRUE(overlay.holdsInput());
    EXPECT_EQ(calls, 0);

    drag(QPoint(10, 10), QPoint(60, 70));
    expectRectangle(QRectF(10, 10, 50, 60));
}

TEST_F(AreaSelectionOverlayTest, TaskCancellationEndsOnlyItsOwnSelection) {
    const auto first = open();
    overlay.cancel(first);
    expectCancelledOnce();
    expectInputFree();

    const auto second = open();
    overlay.cancel(first); // stale: the first selection has ended
    waitUntil([] { return false; }, 50);
    EXPECT_TRUE(overlay.isOpen());
    overlay.cancel(second);
    expectCancelledOnce();

    // Already cancelled: nothing is shown.
    calls = 0;
    EXPECT_EQ(select(true), 0u);
    EXPECT_EQ(overlay.window(), nullptr);
    expectCancelledOnce();
}

TEST_F(AreaSelectionOverlayTest, AScreenChangeCancels) {
    open();
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    expectCancelledOnce();
    expectInputFree();
}

TEST_F(AreaSelectionOverlayTest, LosingTheWindowOrTheFocusCancels) {
    open();
    xdotool({QStringLiteral("windowunmap"), number(static_cast<qint64>(overlay.window()->winId()))});
    expectCancelledOnce();
    expectInputFree();

    // Another client takes the focus.
    QProcess other;
    other.start(QStringLiteral("xmessage"),
                {QStringLiteral("-name"), QStringLiteral("other-client"), QStringLiteral("-geometry"),
                 QStringLiteral("+20+20"), QStringLiteral("other")});
    QString otherWindow;
    ASSERT_TRUE(waitUntil([&] {
        return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--classname"), QStringLiteral("other-client")},
                       &otherWindow) == 0;
    }));
    open();
    ASSERT_TRUE(
        waitUntil([&] { return QGuiApplication::focusWindow() == overlay.window()->windowHandle(); }));
    xdotool({QStringLiteral("windowfocus"), otherWindow.split(QLatin1Char('\n')).first()});
    expectCancelledOnce();
    other.kill();
    other.waitForFinished();
    expectInputFree();

    open();
    overlay.window()->close();
    expectCancelledOnce();
    open();
    delete overlay.window();
    expectCancelledOnce();
    expectInputFree();
}

TEST_F(AreaSelectionOverlayTest, PicksOnTheChosenDisplayOfTwo) {
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    waitUntil([] { return false; }, 100);
    QScreen* right = nullptr;
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == QStringLiteral("right")) right = screen;
    ASSERT_NE(right, nullptr);

    open(right);
    EXPECT_EQ(overlay.window()->geometry(), QRect(960, 0, 960, 1080));
    drag(QPoint(1000, 100), QPoint(1100, 250));
    expectRectangle(QRectF(1000, 100, 100, 150));
}

TEST_F(AreaSelectionOverlayTest, GivesUpWhenAnotherClientHoldsTheInput) {
    ASSERT_TRUE(test::x11Server().startWindowManager());
    // Openbox's desktop menu holds the pointer and keyboard while it is open.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("50"), QStringLiteral("1000"),
             QStringLiteral("click"), QStringLiteral("3")});
    waitUntil([] { return false; }, 200);
    EXPECT_NE(select(), 0u);
    expectCancelledOnce();
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    waitUntil([] { return false; }, 200);
    expectInputFree();
    test::x11Server().stopWindowManager();
}

} // namespace
} // namespace quorvane
