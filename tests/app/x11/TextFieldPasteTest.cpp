#include "app/TextFieldPaste.h"

#include "canvas/AnnotationTextView.h"
#include "platform/InputHold.h"
#include "platform/SystemClipboard.h"
#include "support/ClipboardOffer.h"
#include "support/CountingBeeper.h"
#include "support/DisplayState.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;

bool pressPaste(QWidget* field) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::sendEvent(field, &release);
    return press.isAccepted();
}

// Pastes into every text field of the application, and a window for the fields.
struct Rig {
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    InputHold input;
    test::CountingBeeper beeper;
    TextFieldPaste paste{clipboard, input, beeper};
    QWidget window;

    // The input waits on `now`'s clock, the steady clock's if none.
    explicit Rig(InputHold::Now now = {})
        : input(InputHold::defaultBound, InputHold::mostHeld, std::move(now)) {
        paste.watchApplication();
    }
};

// `fields` in a shown, active window, the first with the keyboard.
bool showWithKeyboard(QWidget& window, const std::vector<QWidget*>& fields) {
    auto* column = new QVBoxLayout(&window);
    for (QWidget* field : fields)
        column->addWidget(field);
    window.show();
    window.activateWindow();
    if (!waitUntil([&] { return window.isActiveWindow(); })) return false;
    fields.front()->setFocus();
    return waitUntil([&] { return fields.front()->hasFocus(); });
}

// Another program offering `bytes` as UTF-8 text, written to a file in `folder`, with `more` of the
// helper's options.
std::unique_ptr<test::ClipboardOffer> offerText(const test::TempDir& folder, const QByteArray& bytes,
                                                const QStringList& more = {}) {
    const QString path = QString::fromStdString((folder / "offered").string());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return nullptr;
    file.close();
    return std::make_unique<test::ClipboardOffer>(QStringList{"--type", "UTF8_STRING", "--file", path} +
                                                  more);
}

TEST(TextFieldPaste, AnotherProgramsTextGoesIntoTheFieldThatHadTheKeys) {
    Rig rig;
    auto* line = new QLineEdit(&rig.window);
    auto* notes = new QPlainTextEdit(QStringLiteral("notes"), &rig.window);
    notes->setReadOnly(true);
    ASSERT_TRUE(showWithKeyboard(rig.window, {line, notes}));

    test::TempDir folder;
    const QString path = QString::fromStdString((folder / "words").string());
    {
        QFile words(path);
        ASSERT_TRUE(words.open(QIODevice::WriteOnly));
        words.write(QStringLiteral("naïve words").toUtf8());
    }
    test::ClipboardOffer words({"--type", "UTF8_STRING", "--file", path});
    ASSERT_TRUE(words.ready());
    line->setText(QStringLiteral("[]"));
    line->setCursorPosition(1);
    pressPaste(line);
    EXPECT_TRUE(waitUntil([&] { return line->text() == QStringLiteral("[naïve words]"); }))
        << line->text().toStdString();
    // A read-only field takes nothing in.
    notes->setFocus();
    pressPaste(notes);
    EXPECT_EQ(notes->toPlainText(), QStringLiteral("notes"));
}

// The keyboard moved to another field while the text was being read: it goes into neither.
TEST(TextFieldPaste, TextReadAfterTheKeyboardMovedOnGoesNowhere) {
    Rig rig;
    auto* asked = new QLineEdit(&rig.window);
    auto* other = new QLineEdit(&rig.window);
    ASSERT_TRUE(showWithKeyboard(rig.window, {asked, other}));
    test::TempDir folder;
    const auto words = offerText(folder, "words");
    ASSERT_TRUE(words && words->ready());
    test::LogLines log("app");

    pressPaste(asked);
    // The text comes back on a later turn at the soonest.
    other->setFocus();
    ASSERT_TRUE(other->hasFocus());
    ASSERT_TRUE(waitUntil([&] {
        return !asked->text().isEmpty() ||
               log.count("Paste dropped: its field lost the keyboard while it was read") > 0;
    }));
    EXPECT_TRUE(asked->text().isEmpty()) << asked->text().toStdString();
    EXPECT_TRUE(other->text().isEmpty()) << other->text().toStdString();
}

// A 4 MiB line of words, NUL bytes and bytes that are no UTF-8 fills a text annotation's box
// only as far as it holds, and the box says it left the rest out.
TEST(TextFieldPaste, ALongLineFillsATextBoxOnlyAsFarAsItHolds) {
    Rig rig;
    auto* box = new AnnotationTextView(&rig.window);
    ASSERT_TRUE(showWithKeyboard(rig.window, {box}));
    int cuts = 0;
    QObject::connect(box, &AnnotationTextView::textCut, [&cuts] { ++cuts; });
    test::TempDir folder;
    static constexpr char bytes[] = "two words\0\0\xff\xc3( ";
    const QByteArray piece(bytes, sizeof bytes - 1);
    const auto line = offerText(folder, piece.repeated((4 << 20) / piece.size()));
    ASSERT_TRUE(line && line->ready());

    pressPaste(box);
    ASSERT_TRUE(waitUntil([&] { return cuts > 0; }));
    const QString held = box->toPlainText();
    EXPECT_EQ(held.size(), AnnotationTextView::longestText);
    EXPECT_TRUE(
        held.startsWith(QStringLiteral("two words") + QChar(0) + QChar(0) + QChar::ReplacementCharacter))
        << held.left(20).toStdString();
    EXPECT_EQ(cuts, 1);
}

// Keys typed at once after Ctrl+V land after the pasted text, however late the program that holds
// the clipboard sends it, and Return takes the whole; a paste that never comes rings the bell, one
// that Escape gives up says nothing, and both keep the keys.
TEST(TextFieldPaste, KeysTypedAfterAPasteLandAfterItsText) {
    Rig rig;
    auto* line = new QLineEdit(&rig.window);
    auto* next = new QLineEdit(&rig.window);
    ASSERT_TRUE(showWithKeyboard(rig.window, {line, next}));
    QString entered;
    QObject::connect(line, &QLineEdit::returnPressed, [&] { entered = line->text(); });
    test::TempDir folder;
    const struct {
        QStringList late;
        QString keys;
        QString text;
        int beeps;
    } cases[] = {
        {{"--trickle", "100"}, "key ctrl+v", "PASTEDtyped", 0},
        {{"--trickle", "500"}, "key ctrl+v", "PASTEDtyped", 0},
        {{"--stall-after", "0"}, "key ctrl+v", "typed", 1},
        {{"--stall-after", "0"}, "key ctrl+v Escape", "typed", 0},
    };
    for (const auto& [late, keys, text, beeps] : cases) {
        SCOPED_TRACE((late.join(' ') + ", " + keys).toStdString());
        const auto offer = offerText(folder, "PASTED", QStringList{"--incremental-above", "0"} + late);
        ASSERT_TRUE(offer && offer->ready());
        line->clear();
        line->setFocus();
        ASSERT_TRUE(waitUntil([&] { return line->hasFocus(); }));
        const int rung = rig.beeper.beeps;
        EXPECT_EQ(test::xdotool(keys), 0);
        EXPECT_EQ(test::xdotool("type typed"), 0);
        EXPECT_EQ(test::xdotool("key Return Tab"), 0);
        ASSERT_TRUE(waitUntil([&] { return next->hasFocus(); }, 20000));
        EXPECT_EQ(line->text(), text);
        EXPECT_EQ(entered, text);
        EXPECT_EQ(rig.beeper.beeps - rung, beeps);
    }
}

// A letter composed from a dead key typed after a paste lands after the pasted text, however late
// the text comes.
TEST(TextFieldPaste, ALetterComposedAfterAPasteLandsAfterItsText) {
    Rig rig;
    auto* line = new QLineEdit(&rig.window);
    ASSERT_TRUE(showWithKeyboard(rig.window, {line}));
    ASSERT_EQ(test::x11Server().run("setxkbmap", {"de"}), 0);
    test::TempDir folder;
    for (const QString late : {"0", "1000"}) {
        SCOPED_TRACE(late.toStdString() + " ms late");
        const auto offer = offerText(folder, "PASTED", {"--incremental-above", "0", "--trickle", late});
        ASSERT_TRUE(offer && offer->ready());
        line->clear();
        EXPECT_EQ(test::xdotool("type typ"), 0);
        EXPECT_EQ(test::xdotool("key ctrl+v dead_circumflex e d"), 0);
        EXPECT_TRUE(waitUntil([&] { return line->text().size() >= 11; }, 20000));
        EXPECT_EQ(line->text(), QStringLiteral("typPASTED\u00EAd"));
    }
    ASSERT_EQ(test::x11Server().run("setxkbmap", {"us"}), 0);
}

// Ctrl+V pressed again and again while the holder stays silent: no key waits longer than the first
// paste's bound, every paste asked meanwhile is given up with it and said once, and the keys typed
// after them land in order. Escape after them gives them all up at once, and says nothing.
TEST(TextFieldPaste, PastesAskedWhileOneWaitsWaitNoLongerThanItAndEscapeGivesThemAllUp) {
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    Rig rig([&now] { return now; });
    auto* line = new QLineEdit(&rig.window);
    auto* next = new QLineEdit(&rig.window);
    ASSERT_TRUE(showWithKeyboard(rig.window, {line, next}));
    QString saved;
    QShortcut save(QKeySequence(QStringLiteral("Ctrl+S")), &rig.window);
    QObject::connect(&save, &QShortcut::activated, [&] { saved = line->text(); });
    test::TempDir folder;
    test::LogLines log("app");
    const std::string bound = "A read for a window was given up after 5000 ms, and its input went on";
    const struct {
        int pastes;
        QStringList keys;
        QString text;
        int beeps;
    } cases[] = {
        {3, {"type X"}, "typX", 1},
        {10, {"type X"}, "typX", 1},
        {3, {"type X", "key Escape", "type Y"}, "typXY", 0},
    };
    for (const auto& [pastes, keys, text, beeps] : cases) {
        SCOPED_TRACE((QString::number(pastes) + " pastes, " + keys.join(", ")).toStdString());
        const auto silent = offerText(folder, "PASTED", {"--incremental-above", "0", "--stall-after", "0"});
        ASSERT_TRUE(silent && silent->ready());
        line->clear();
        saved.clear();
        line->setFocus();
        ASSERT_TRUE(waitUntil([&] { return line->hasFocus(); }));
        EXPECT_EQ(test::xdotool("type typ"), 0);
        ASSERT_TRUE(waitUntil([&] { return line->text() == QStringLiteral("typ"); }));
        const int rung = rig.beeper.beeps;
        const long expired = log.count(bound);
        const long failed = log.count("Paste failed: the clipboard's holder gave no text");
        const auto first = now;
        EXPECT_EQ(test::xdotool(QStringLiteral("key") + QStringLiteral(" ctrl+v").repeated(pastes)), 0);
        for (const QString& each : keys)
            EXPECT_EQ(test::xdotool(each), 0);
        EXPECT_EQ(test::xdotool("key ctrl+s Tab"), 0);
        // Without Escape, the clock passes the bound once the first paste waits, and stays there:
        // what waited must all have gone on by then.
        QTimer late;
        QObject::connect(&late, &QTimer::timeout, [&] {
            if (!rig.input.holds(rig.window.windowHandle())) return;
            now = first + InputHold::defaultBound + std::chrono::milliseconds(500);
            late.stop();
        });
        if (beeps > 0) late.start(10);
        ASSERT_TRUE(waitUntil([&] { return next->hasFocus(); }, 30000));
        EXPECT_EQ(line->text(), text);
        EXPECT_EQ(saved, text);
        EXPECT_EQ(rig.beeper.beeps - rung, beeps);
        EXPECT_EQ(log.count(bound) - expired, beeps);
        EXPECT_EQ(log.count("Paste failed: the clipboard's holder gave no text") - failed, 0);
    }
}

// A paste whose window lost the keyboard while it was read (another window came up) still lands in
// its field; one whose field lost the keyboard to another field of its window rings the bell.
TEST(TextFieldPaste, APasteLandsInItsFieldUnlessTheKeyboardMovedToAnother) {
    Rig rig;
    auto* line = new QLineEdit(&rig.window);
    auto* other = new QLineEdit(&rig.window);
    ASSERT_TRUE(showWithKeyboard(rig.window, {line, other}));
    QWidget elsewhere;
    elsewhere.setGeometry(500, 400, 200, 100);
    test::TempDir folder;
    for (const bool otherField : {false, true}) {
        SCOPED_TRACE(otherField ? "another field" : "another window");
        const auto late = offerText(folder, "PASTED", {"--incremental-above", "0", "--trickle", "1000"});
        ASSERT_TRUE(late && late->ready());
        rig.window.activateWindow();
        line->setFocus();
        ASSERT_TRUE(waitUntil([&] { return line->hasFocus(); }));
        line->clear();
        const int rung = rig.beeper.beeps;
        pressPaste(line);
        if (otherField) {
            other->setFocus();
        } else {
            elsewhere.show();
            elsewhere.activateWindow();
        }
        // The keyboard has moved before the text comes.
        bool movedFirst = false;
        QTimer moved;
        QObject::connect(&moved, &QTimer::timeout, [&] {
            if (!otherField && !elsewhere.isActiveWindow()) return;
            movedFirst = line->text().isEmpty();
            moved.stop();
        });
        moved.start(10);
        ASSERT_TRUE(waitUntil([&] { return !line->text().isEmpty() || rig.beeper.beeps > rung; }, 20000));
        EXPECT_TRUE(movedFirst);
        EXPECT_EQ(line->text(), otherField ? QString() : QStringLiteral("PASTED"));
        EXPECT_TRUE(other->text().isEmpty());
        EXPECT_EQ(rig.beeper.beeps - rung, otherField ? 1 : 0);
        elsewhere.hide();
    }
}

// A dead key begun in one field does not compose with a letter typed in another, and a key that
// ends a sequence it cannot belong to goes on into the field.
TEST(TextFieldPaste, DeadKeysComposeOnlyWithinOneFieldAndKeepTheKeyThatEndsThem) {
    Rig rig;
    auto* line = new QLineEdit(&rig.window);
    auto* other = new QLineEdit(&rig.window);
    ASSERT_TRUE(showWithKeyboard(rig.window, {line, other}));
    const test::InputKept pointer;
    ASSERT_EQ(test::x11Server().run("setxkbmap", {"de"}), 0);
    const QPoint inOther = other->mapToGlobal(other->rect().center());
    EXPECT_EQ(test::xdotool(QStringLiteral("key dead_circumflex mousemove %1 %2 click 1 key e")
                                .arg(inOther.x())
                                .arg(inOther.y())),
              0);
    EXPECT_TRUE(waitUntil([&] { return !other->text().isEmpty(); }));
    EXPECT_EQ(other->text(), QStringLiteral("e"));
    EXPECT_TRUE(line->text().isEmpty());
    EXPECT_EQ(test::xdotool("key dead_circumflex q"), 0);
    EXPECT_TRUE(waitUntil([&] { return other->text().size() >= 2; }));
    EXPECT_EQ(other->text(), QStringLiteral("eq"));
    ASSERT_EQ(test::x11Server().run("setxkbmap", {"us"}), 0);
}

} // namespace
} // namespace quorvane
