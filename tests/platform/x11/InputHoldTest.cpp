#include "platform/InputHold.h"

#include "support/DisplayState.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;
using test::xdotool;

// A shown window with a line, a number and a button, noting in order what reaches them.
struct Panel : QWidget {
    QLineEdit* line = new QLineEdit(this);
    QSpinBox* number = new QSpinBox(this);
    QPushButton* button = new QPushButton(QStringLiteral("Press"), this);
    QStringList happened;

    explicit Panel(int left, Qt::WindowFlags flags = {}) {
        setWindowFlags(windowFlags() | flags);
        auto* row = new QHBoxLayout(this);
        row->addWidget(line);
        row->addWidget(number);
        row->addWidget(button);
        connect(line, &QLineEdit::textEdited, [this](const QString& text) { happened << text; });
        connect(number, &QSpinBox::valueChanged, [this](int value) { happened << QString::number(value); });
        connect(button, &QPushButton::clicked, [this] { happened << QStringLiteral("clicked"); });
        connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+S")), this), &QShortcut::activated,
                [this] { happened << QStringLiteral("saved ") + line->text(); });
        connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated,
                [this] { happened << QStringLiteral("escaped"); });
        setGeometry(left, 100, 360, 60);
        show();
    }
    // Asked to close (the window manager's close button), it stays.
    void closeEvent(QCloseEvent* event) override {
        happened << QStringLiteral("close asked");
        event->ignore();
    }
    // A click of the button, or a turn of the wheel over the number.
    void click(int mouseButton = 1) {
        QWidget* on = mouseButton == 1 ? static_cast<QWidget*>(button) : number;
        const QPoint at = on->mapToGlobal(on->rect().center());
        xdotool(QStringLiteral("mousemove %1 %2 click %3").arg(at.x()).arg(at.y()).arg(mouseButton));
    }
};

// Runs `step` every few milliseconds while input waits (timers run then), until it returns true.
struct Meanwhile {
    QTimer timer;
    explicit Meanwhile(std::function<bool()> step) {
        QObject::connect(&timer, &QTimer::timeout, [this, step = std::move(step)] {
            if (step()) timer.stop();
        });
        timer.start(10);
    }
};

// Runs a blocking event loop until `done` holds after some input came, or the (scaled) bound
// passed; whether it held before. Nothing else wakes the loop: what waited must go on by itself.
bool blockUntil(Panel& panel, const std::function<bool()>& done, int ms = 10000) {
    QEventLoop loop;
    bool late = false;
    const auto look = [&] {
        if (done()) loop.quit();
    };
    QObject::connect(panel.line, &QLineEdit::textEdited, &loop, look, Qt::QueuedConnection);
    QObject::connect(panel.button, &QPushButton::clicked, &loop, look, Qt::QueuedConnection);
    QObject::connect(panel.number, &QSpinBox::valueChanged, &loop, look, Qt::QueuedConnection);
    QTimer::singleShot(test::bound(ms), &loop, [&] {
        late = true;
        loop.quit();
    });
    if (!done()) loop.exec();
    return !late && done();
}

TEST(InputHold, HeldInputGoesOnInOrderThroughQtsWholePathAndOtherWindowsWaitNoLonger) {
    const test::InputKept pointer;
    // Clicked, the other window takes no keyboard from the held one.
    Panel held(20), free(440, Qt::WindowDoesNotAcceptFocus);
    held.activateWindow();
    held.line->setFocus();
    ASSERT_TRUE(waitUntil([&] { return held.isActiveWindow() && held.line->hasFocus(); }));
    InputHold hold;
    int givenUp = 0;
    InputHold::Token token = hold.hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    xdotool(QStringLiteral("type ab"));
    held.click(4);
    held.click();
    xdotool(QStringLiteral("key ctrl+s"));
    // Qt defers input to every window of ours: the other one's click waits too, behind the rest.
    free.click();
    // Once every press and release has come (14), none had gone on; then the last goes on too,
    // with nothing after it to wake the program.
    QStringList whileHeld{QStringLiteral("not released")};
    const Meanwhile release([&] {
        if (hold.waiting() < 14) return false;
        whileHeld = held.happened + free.happened;
        token.release();
        return true;
    });
    EXPECT_TRUE(blockUntil(free, [&] { return !free.happened.isEmpty(); }));
    EXPECT_TRUE(whileHeld.isEmpty()) << whileHeld.join(", ").toStdString();
    EXPECT_EQ(held.happened, (QStringList{"a", "ab", "1", "clicked", "saved ab"}));
    EXPECT_EQ(free.happened, QStringList{"clicked"});
    EXPECT_EQ(givenUp, 0);
    EXPECT_FALSE(hold.holds(held.windowHandle()));

    // Typed fast behind a click that starts a read, input Qt has read before the read began
    // waits too, in order: the first of it as well, which Qt was handing on as the read began.
    held.happened.clear();
    held.line->clear();
    held.button->setFocusPolicy(Qt::NoFocus);
    held.line->setFocus();
    InputHold::Token pasting;
    const QMetaObject::Connection reads = QObject::connect(held.button, &QPushButton::clicked, [&] {
        pasting = hold.hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    });
    xdotool(QStringLiteral("type ab"));
    held.click();
    xdotool(QStringLiteral("type cd"));
    whileHeld = QStringList{QStringLiteral("not released")};
    const Meanwhile land([&] {
        if (!pasting || hold.waiting() < 4) return false;
        whileHeld = held.happened;
        held.line->insert(QStringLiteral("P"));
        pasting.release();
        return true;
    });
    EXPECT_TRUE(blockUntil(held, [&] { return held.happened.size() == 6; }));
    EXPECT_EQ(whileHeld, (QStringList{"a", "ab", "clicked"}));
    EXPECT_EQ(held.happened, (QStringList{"a", "ab", "clicked", "abP", "abPc", "abPcd"}));
    QObject::disconnect(reads);

    // Two reads at once: the input waits until both have ended.
    held.happened.clear();
    held.line->clear();
    held.line->setFocus();
    InputHold::Token first = hold.hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    InputHold::Token second = hold.hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    xdotool(QStringLiteral("type cd"));
    int turns = 0;
    whileHeld = QStringList{QStringLiteral("not released")};
    const Meanwhile releaseBoth([&] {
        if (hold.waiting() < 4) return false;
        first.release();
        // Turns enough for what the first one's end would have let go on.
        if (++turns < 20) return false;
        whileHeld = held.happened;
        EXPECT_TRUE(hold.holds(held.windowHandle()));
        second.release();
        return true;
    });
    EXPECT_TRUE(blockUntil(held, [&] { return held.happened.size() == 2; }));
    EXPECT_TRUE(whileHeld.isEmpty()) << whileHeld.join(", ").toStdString();
    EXPECT_EQ(held.happened, (QStringList{"c", "cd"}));
    EXPECT_EQ(givenUp, 0);
}

TEST(InputHold, HeldKeysAfterOneThatClosesADialogGoWhereTheKeyboardThenIs) {
    // The window manager gives the keyboard back to the window below a dialog that closed.
    const test::WindowManagerInTest manager;
    const test::InputKept pointer;
    Panel held(20);
    QDialog sheet(&held);
    auto* field = new QLineEdit(&sheet);
    auto* done = new QPushButton(QStringLiteral("Done"), &sheet);
    done->setDefault(true);
    QObject::connect(done, &QPushButton::clicked, &sheet, &QDialog::accept);
    auto* row = new QHBoxLayout(&sheet);
    row->addWidget(field);
    row->addWidget(done);
    sheet.setWindowModality(Qt::WindowModal);
    sheet.open();
    ASSERT_TRUE(waitUntil([&] { return sheet.isActiveWindow() && field->hasFocus(); }));
    // A key in the dialog begins a read; typed fast behind it, Return closes the dialog, and the
    // keys after it, meant for the dialog, go to the window below once the keyboard is there.
    InputHold hold;
    InputHold::Token token;
    QShortcut read(QKeySequence(QStringLiteral("Ctrl+G")), &sheet);
    QObject::connect(&read, &QShortcut::activated, [&] { token = hold.hold(sheet.windowHandle(), {}); });
    xdotool(QStringLiteral("key 1 ctrl+g 0 Return ctrl+s"));
    const Meanwhile release([&] {
        if (!token || hold.waiting() < 6) return false;
        token.release();
        return true;
    });
    ASSERT_TRUE(waitUntil([&] { return !held.happened.isEmpty(); }));
    EXPECT_EQ(field->text(), QStringLiteral("10"));
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(held.happened, QStringList{"saved "});
}

TEST(InputHold, AHoldIsGivenUpPastItsBoundOnEscapeAndBeyondItsCap) {
    const test::InputKept pointer;
    Panel held(20);
    held.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return held.isActiveWindow(); }));
    // Past its bound (passed before input came, or while it waits), on Escape (which goes no
    // further), or once more input waits than it keeps, a hold is given up and the input goes on.
    struct Case {
        std::chrono::milliseconds bound;
        std::size_t most;
        const char* keys;
        QStringList happens;
    };
    const Case cases[] = {
        {0ms, InputHold::mostHeld, "type c", {"c"}},
        {300ms, InputHold::mostHeld, "type c", {"c"}},
        {1h, InputHold::mostHeld, "key Escape type c", {"c"}},
        {1h, 6, "type cdefgh", {"c", "cd", "cde", "cdef", "cdefg", "cdefgh"}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.keys);
        held.happened.clear();
        held.line->clear();
        held.line->setFocus();
        InputHold bounded(each.bound, each.most);
        int givenUp = 0;
        InputHold::Token kept =
            bounded.hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
        // A hold that is never given up ends here, long after, and the case fails.
        QTimer lastResort;
        lastResort.setSingleShot(true);
        QObject::connect(&lastResort, &QTimer::timeout, [&kept] { kept.release(); });
        lastResort.start(test::bound(20000));
        xdotool(QString::fromLatin1(each.keys));
        ASSERT_TRUE(waitUntil([&] { return held.happened.size() == each.happens.size(); }, 30000));
        EXPECT_EQ(held.happened, each.happens);
        EXPECT_EQ(givenUp, 1);
        EXPECT_FALSE(bounded.holds(held.windowHandle()));
    }
}

// Runs the event loop until it is about to sleep: everything that came has been handled.
void untilIdle() {
    QEventLoop idle;
    const QMetaObject::Connection sleeping =
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &idle,
                         &QEventLoop::quit);
    idle.exec();
    QObject::disconnect(sleeping);
}

// The window manager's request to close `window`, as its close button sends it.
void askToClose(const QWindow& window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return found;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window.winId());
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
}

// Counts the key releases that reach a widget.
struct Releases : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyRelease) ++count;
        return false;
    }
};

// What comes while a hold lasts waits even before any key or click does (the window manager's
// close request); a click waits to land on what is under it once it goes on; a run of moves counts
// once against the cap.
TEST(InputHold, EverythingThePersonDoesWaitsAndAClickLandsOnWhatIsUnderItThen) {
    const test::InputKept pointer;
    Panel held(20), other(440);
    held.activateWindow();
    held.line->setFocus();
    ASSERT_TRUE(waitUntil([&] { return held.isActiveWindow() && held.line->hasFocus(); }));
    InputHold hold(1h, 6);
    int givenUp = 0;
    InputHold::Token token = hold.hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    askToClose(*held.windowHandle());
    xdotool(QStringLiteral("type c"));
    QStringList whileHeld{QStringLiteral("not released")};
    int turns = 0;
    const Meanwhile release([&] {
        if (hold.waiting() < 2 || ++turns < 20) return false;
        whileHeld = held.happened;
        token.release();
        return true;
    });
    EXPECT_TRUE(blockUntil(held, [&] { return held.happened.size() == 2; }));
    EXPECT_TRUE(whileHeld.isEmpty()) << whileHeld.join(", ").toStdString();
    EXPECT_EQ(held.happened, (QStringList{"close asked", "c"}));

    // The other window lies under this one; this one hides after the click, which then presses
    // the other's button, under it by then.
    held.happened.clear();
    other.setGeometry(held.geometry());
    held.raise();
    const QPoint at = held.button->mapToGlobal(held.button->rect().center());
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::topLevelAt(at) == held.windowHandle(); }));
    token = hold.hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    // Twenty moves to the button (relative ones: the server hears them as a device's), then the
    // click: the moves count once, within a cap of six.
    QString moves = QStringLiteral("mousemove %1 %2").arg(at.x() - 60).arg(at.y() + 20);
    for (int step = 0; step < 20; ++step)
        moves += QStringLiteral(" mousemove_relative -- 3 -1");
    xdotool(moves + QStringLiteral(" click 1"));
    const Meanwhile hide([&] {
        if (hold.waiting() < 3) return false;
        if (held.isVisible()) held.hide();
        if (QGuiApplication::topLevelAt(at) != other.windowHandle()) return false;
        whileHeld = held.happened + other.happened;
        token.release();
        return true;
    });
    EXPECT_TRUE(blockUntil(other, [&] { return !other.happened.isEmpty(); }));
    EXPECT_TRUE(whileHeld.isEmpty()) << whileHeld.join(", ").toStdString();
    EXPECT_EQ(other.happened, QStringList{"clicked"});
    EXPECT_TRUE(held.happened.isEmpty()) << held.happened.join(", ").toStdString();
    EXPECT_EQ(givenUp, 0);
}

// A press that comes once the bound has passed gives the hold up, however little waits; an Escape
// Qt has read but not routed when the hold begins gives it up before it waits at all. Time passes
// on the hold's own clock: a hold begun once the input it held has all gone on counts its bound
// anew, not from the read before it.
TEST(InputHold, APressAfterTheBoundOrAnEscapeAlreadyTypedGivesTheHoldUp) {
    const test::InputKept pointer;
    Panel held(20);
    held.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return held.isActiveWindow(); }));
    held.line->setFocus();
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    auto hold = std::make_unique<InputHold>(1h, InputHold::mostHeld, [&now] { return now; });
    int givenUp = 0;
    bool late = false;
    // A hold never given up is ended here, long after, and the case fails.
    QTimer lastResort;
    lastResort.setSingleShot(true);
    QObject::connect(&lastResort, &QTimer::timeout, [&] {
        late = true;
        hold.reset();
    });
    lastResort.start(test::bound(20000));

    // A bound of nothing has passed at the hold's first turn, with nothing waiting; the press that
    // comes after that turn gives the hold up.
    {
        auto atOnce = std::make_unique<InputHold>(0ms);
        InputHold::Token token =
            atOnce->hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
        QTimer::singleShot(0, [] { xdotool(QStringLiteral("type c")); });
        // Gone, a hold ends whatever it waits for.
        QTimer gone;
        gone.setSingleShot(true);
        QObject::connect(&gone, &QTimer::timeout, [&] {
            late = true;
            atOnce.reset();
        });
        gone.start(test::bound(20000));
        ASSERT_TRUE(waitUntil([&] { return !held.happened.isEmpty(); }, 30000));
        EXPECT_EQ(held.happened, QStringList{"c"});
        EXPECT_EQ(givenUp, 1);
        EXPECT_FALSE(late);
    }

    // Held input that has all gone on leaves the next hold its whole bound.
    held.happened.clear();
    held.line->clear();
    Releases releases;
    held.line->installEventFilter(&releases);
    InputHold::Token token = hold->hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    xdotool(QStringLiteral("type a"));
    const Meanwhile landed([&] {
        if (hold == nullptr || hold->waiting() < 2) return false;
        token.release();
        return true;
    });
    ASSERT_TRUE(waitUntil([&] { return releases.count == 1; }, 30000));
    untilIdle();
    now += 2h;
    token = hold->hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    xdotool(QStringLiteral("type b"));
    QStringList whileHeld{QStringLiteral("not released")};
    int turns = 0;
    const Meanwhile release([&] {
        if (hold == nullptr || hold->waiting() < 2 || ++turns < 20) return false;
        whileHeld = held.happened;
        token.release();
        return true;
    });
    EXPECT_TRUE(blockUntil(
        held, [&] { return held.happened.size() == 2; }, 30000));
    EXPECT_EQ(whileHeld, QStringList{"a"});
    EXPECT_EQ(held.happened, (QStringList{"a", "ab"}));
    EXPECT_EQ(givenUp, 1);

    // A read asked by held input as it goes on (a click of the button, the last input that
    // waited) has only what is left of the bound of the hold it waited behind: once that has
    // passed, it is given up, though nothing waits behind it.
    untilIdle();
    held.happened.clear();
    std::optional<InputHold::Reason> why;
    InputHold::Token again;
    const QMetaObject::Connection asks = QObject::connect(held.button, &QPushButton::clicked, [&] {
        if (hold) again = hold->hold(held.windowHandle(), [&](InputHold::Reason reason) { why = reason; });
    });
    const auto first = now;
    token = hold->hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    held.click();
    bool moved = false;
    const Meanwhile behind([&] {
        if (hold == nullptr || (!moved && hold->waiting() < 2)) return false;
        if (!moved) {
            moved = true;
            now = first + 59min;
            token.release();
        }
        if (!again) return false;
        now = first + 61min;
        return true;
    });
    EXPECT_TRUE(waitUntil([&] { return why.has_value() || late; }, 30000));
    EXPECT_EQ(why, InputHold::Reason::bound);
    EXPECT_EQ(givenUp, 1);
    QObject::disconnect(asks);

    // Ctrl+G asks a read once Escape, typed after it, has reached us.
    held.happened.clear();
    held.line->clear();
    held.line->setFocus();
    QShortcut read(QKeySequence(QStringLiteral("Ctrl+G")), &held);
    QObject::connect(&read, &QShortcut::activated, [&] {
        xdotool(QStringLiteral("key Escape"));
        if (hold) token = hold->hold(held.windowHandle(), [&givenUp](InputHold::Reason) { ++givenUp; });
    });
    xdotool(QStringLiteral("key ctrl+g"));
    ASSERT_TRUE(waitUntil([&] { return givenUp == 2 || late; }, 30000));
    xdotool(QStringLiteral("type d"));
    EXPECT_TRUE(waitUntil([&] { return !held.happened.isEmpty(); }, 30000));
    EXPECT_EQ(held.happened, QStringList{"d"});
    EXPECT_EQ(givenUp, 2);
    EXPECT_FALSE(late);
}

} // namespace
} // namespace quorvane
