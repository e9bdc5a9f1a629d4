#pragma once

// The button that shows one action's global shortcut and, pressed, records the next key
// combination typed in the program: Escape cancels, Backspace or Delete clears, a combination
// that could never be registered is refused with a beep. The key is always the physical key,
// whatever the layout types on it.

#include "app/HotKeyBinding.h"
#include "app/RecordingSession.h"

#include <QPushButton>
#include <optional>

namespace quorvane {

class Beeper;
class HotKeyRecording;
class KeyboardLayout;

class HotKeyRecorder : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    static const QString recordingHelp;

    // `label` names the shortcut in the help text ("Click to change the <label> (…)").
    HotKeyRecorder(const QString& label, HotKeyRecording& recording, KeyboardLayout& layout, Beeper& beeper,
                   QWidget* parent = nullptr);

    // Shows a binding; reports nothing.
    void setBinding(const std::optional<HotKeyBinding>& binding);
    const std::optional<HotKeyBinding>& binding() const { return binding_; }

    RecordingSession& session() { return session_; }
    // The button's text: the shortcut, "None", or while recording "Type shortcut…" or the held
    // modifiers ("Alt+Super+…").
    QString title() const;
    // "Recording", the spoken shortcut, or "None".
    QString accessibilityValue() const;

    // Ctrl, Alt, Shift and Super as the stored mask; every other flag is dropped.
    static std::uint32_t hotKeyModifiers(Qt::KeyboardModifiers modifiers);

Q_SIGNALS:
    // The user recorded a shortcut, or cleared it (none).
    void edited(const std::optional<HotKeyBinding>& binding);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void toggle();
    bool handleKey(const QKeyEvent& press);
    void record(const std::optional<HotKeyBinding>& binding);
    void refresh();

    QString label_;
    KeyboardLayout& layout_;
    Beeper& beeper_;
    RecordingSession session_;
    std::optional<HotKeyBinding> binding_;
};

} // namespace quorvane
