#include "app/HotKeyRecorder.h"

#include "app/HotKeyRecording.h"
#include "app/KeyNames.h"
#include "platform/X11KeyboardLayout.h"
#include "support/CountingBeeper.h"

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Stored key codes of the keys pressed here.
enum Key : std::uint32_t {
    a = 0, four = 21, five = 23, backspace = 51, escape = 53, del = 117, f6 = 97,
    superKey = 55, shiftKey = 56, capsLock = 57, altKey = 58,
};
constexpr Qt::KeyboardModifiers ctrlAltSuper = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

struct RecorderRig {
    HotKeyRecording recording;
    X11KeyboardLayout layout;
    test::CountingBeeper beeper;
    HotKeyRecorder recorder{QStringLiteral("Shortcut"), recording, layout, beeper};
    std::vector<bool> news;
    int edits = 0;

    RecorderRig() {
        recorder.setBinding(HotKeyBinding{four, 0x1900});
        QObject::connect(&recording, &HotKeyRecording::recordingDidChange, [this](bool on) { news.push_back(on); });
        QObject::connect(&recorder, &HotKeyRecorder::edited, [this] { ++edits; });
    }

    // A key as the X server delivers it: the physical key's keycode, the modifiers held before it,
    // and whatever key the layout makes of it.
    static bool send(QEvent::Type type, std::uint32_t keyCode, Qt::KeyboardModifiers held, int qtKey = 0) {
        QKeyEvent event(type, qtKey, held, *KeyNames::x11Keycode(keyCode), 0, 0);
        QApplication::sendEvent(QApplication::instance(), &event);
        return event.isAccepted();
    }
    static void press(std::uint32_t keyCode, Qt::KeyboardModifiers held = {}, int qtKey = Qt::Key_unknown) {
        send(QEvent::KeyPress, keyCode, held, qtKey);
    }
    const std::vector<bool>& announced() const { return news; }
};

TEST(HotKeyRecorder, EscapeCancelsAndBackspaceOrDeleteClearsWithLocksOn) {
    RecorderRig rig;
    EXPECT_EQ(rig.recorder.text(), QStringLiteral("Ctrl+Alt+Super+4"));
    EXPECT_EQ(rig.recorder.toolTip(), QStringLiteral("Click to change the shortcut (Ctrl+Alt+Super+4)"));
    EXPECT_EQ(rig.recorder.accessibilityValue(), QStringLiteral("Control Alt Super 4"));
    rig.recorder.click();
    EXPECT_EQ(rig.recorder.text(), QStringLiteral("Type shortcut…"));
    EXPECT_EQ(rig.recorder.toolTip(), HotKeyRecorder::recordingHelp);
    EXPECT_EQ(rig.recorder.accessibilityValue(), QStringLiteral("Recording"));
    rig.press(escape, {}, Qt::Key_Escape);
    EXPECT_FALSE(rig.recorder.session().isRecording());
    EXPECT_EQ(rig.recorder.binding(), (HotKeyBinding{four, 0x1900}));
    EXPECT_EQ(rig.announced(), (std::vector<bool>{true, false}));
    EXPECT_EQ(rig.edits, 0);

    // Num Lock reaches Qt as the keypad flag, Caps Lock not at all: neither counts as held.
    for (const auto& [key, locks] : {std::pair{backspace, Qt::KeypadModifier}, {del, Qt::GroupSwitchModifier}}) {
        rig.recorder.setBinding(HotKeyBinding{four, 0x1900});
        rig.recorder.click();
        rig.press(capsLock, {}, Qt::Key_CapsLock);
        rig.press(key, locks, Qt::Key_Backspace);
        EXPECT_FALSE(rig.recorder.session().isRecording());
        EXPECT_EQ(rig.recorder.binding(), std::nullopt);
        EXPECT_EQ(rig.recorder.text(), QStringLiteral("None"));
    }
    EXPECT_EQ(rig.edits, 2);
    // Lower case in the help text, capitalised as the value.
    EXPECT_EQ(rig.recorder.toolTip(), QStringLiteral("Click to change the shortcut (none)"));
    EXPECT_EQ(rig.recorder.accessibilityValue(), QStringLiteral("None"));
}

TEST(HotKeyRecorder, ShowsHeldModifiersAndKeepsOnlyShortcutsThatCouldBeRegistered) {
    RecorderRig rig;
    rig.recorder.click();
    rig.press(altKey, {}, Qt::Key_Alt);
    rig.press(superKey, Qt::AltModifier, Qt::Key_Super_L);
    EXPECT_EQ(rig.recorder.text(), QStringLiteral("Alt+Super+…"));
    rig.send(QEvent::KeyRelease, superKey, Qt::AltModifier | Qt::MetaModifier, Qt::Key_Super_L);
    rig.send(QEvent::KeyRelease, altKey, Qt::AltModifier, Qt::Key_Alt);
    EXPECT_EQ(rig.recorder.text(), QStringLiteral("Type shortcut…"));

    // A typing key needs Ctrl, Alt or Super: refused with a beep, still recording.
    rig.press(a, Qt::ShiftModifier, Qt::Key_A);
    rig.press(a, {}, Qt::Key_A);
    EXPECT_EQ(rig.beeper.beeps, 2);
    EXPECT_TRUE(rig.recorder.session().isRecording());
    // The physical key counts, not what the layout types on it (AZERTY's "A" is Q's position).
    rig.press(a, Qt::ControlModifier | Qt::AltModifier, Qt::Key_Q);
    EXPECT_EQ(rig.recorder.binding(), (HotKeyBinding{a, 0x1800}));
    for (const auto& [key, held, expected] :
         {std::tuple{f6, Qt::KeyboardModifiers(), HotKeyBinding{f6, 0}},
          {escape, Qt::KeyboardModifiers(Qt::ControlModifier), HotKeyBinding{escape, 0x1000}},
          {five, ctrlAltSuper | Qt::KeypadModifier, HotKeyBinding{five, 0x1900}}}) {
        rig.recorder.click();
        rig.press(key, held);
        EXPECT_FALSE(rig.recorder.session().isRecording());
        EXPECT_EQ(rig.recorder.binding(), expected);
    }
    EXPECT_EQ(rig.beeper.beeps, 2);

    // A dead key is its position like any other; a key an input method made up (no keycode) and
    // composed text are refused or swallowed, never typed into the form.
    rig.recorder.click();
    QKeyEvent composed(QEvent::KeyPress, Qt::Key_Eacute, Qt::ControlModifier | Qt::AltModifier, 0, 0, 0);
    QApplication::sendEvent(&rig.recorder, &composed);
    EXPECT_EQ(rig.beeper.beeps, 3);
    QInputMethodEvent text(QString(), {});
    text.setCommitString(QStringLiteral("é"));
    EXPECT_TRUE(QApplication::sendEvent(&rig.recorder, &text));
    rig.press(50, Qt::ControlModifier | Qt::AltModifier, Qt::Key_Dead_Grave);
    EXPECT_EQ(rig.recorder.binding(), (HotKeyBinding{50, 0x1800}));
}

// While recording no menu shortcut takes the keys; a second press only stops; hiding stops; a
// recorder that starts stops the other one after announcing itself, so the hot keys stay off.
TEST(HotKeyRecorder, OwnsTheKeyboardWhileRecordingAndOnlyOneRecords) {
    RecorderRig rig;
    rig.recorder.click();
    EXPECT_TRUE(rig.send(QEvent::ShortcutOverride, five, Qt::ControlModifier, Qt::Key_Comma));
    rig.recorder.click();
    EXPECT_FALSE(rig.recorder.session().isRecording());
    EXPECT_FALSE(rig.send(QEvent::ShortcutOverride, five, Qt::ControlModifier, Qt::Key_Comma));
    EXPECT_EQ(rig.announced(), (std::vector<bool>{true, false}));

    HotKeyRecorder other(QStringLiteral("Shortcut"), rig.recording, rig.layout, rig.beeper);
    rig.recorder.show();
    rig.recorder.click();
    other.click();
    EXPECT_FALSE(rig.recorder.session().isRecording());
    EXPECT_EQ(rig.recording.active(), &other.session());
    EXPECT_EQ(rig.announced(), (std::vector<bool>{true, false, true, true, false}));
    other.click();
    rig.recorder.click();
    rig.recorder.hide();
    EXPECT_FALSE(rig.recorder.session().isRecording());
    {
        HotKeyRecorder gone(QStringLiteral("Shortcut"), rig.recording, rig.layout, rig.beeper);
        gone.click();
    }
    EXPECT_EQ(rig.recording.active(), nullptr);
    EXPECT_EQ(rig.announced().size(), 10u);
    EXPECT_EQ(rig.announced().back(), false);
}

} // namespace
} // namespace quorvane
