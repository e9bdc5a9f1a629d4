#pragma once

// One shortcut recorder's recording: while it records, every key the program receives comes
// here first (menu shortcuts included), the held modifier keys are tracked for the live title,
// and each other key press goes to the recorder's key handler. GUI thread only.

#include <QObject>
#include <functional>

class QKeyEvent;

namespace quorvane {

class HotKeyRecording;

class RecordingSession : public QObject {
    Q_OBJECT

public:
    // Takes a key press; returns whether recording is finished.
    using KeyHandler = std::function<bool(const QKeyEvent& press)>;

    // `recording` hears of every start and stop and must outlive the session.
    explicit RecordingSession(HotKeyRecording& recording, QObject* parent = nullptr);
    // A session that goes away while recording stops, so the hot keys come back.
    ~RecordingSession() override;

    bool isRecording() const { return isRecording_; }
    // Ctrl, Alt, Shift and Super held down now, as their own key events said.
    Qt::KeyboardModifiers modifiers() const { return modifiers_; }

    // Stops any recording first, then records until `onKey` says it is finished.
    void start(KeyHandler onKey);
    void stop();

    // Only Ctrl, Alt, Shift and Super (Meta) count; keypad, group switch and the rest do not.
    static Qt::KeyboardModifiers reduced(Qt::KeyboardModifiers modifiers);

Q_SIGNALS:
    void isRecordingChanged();
    void modifiersChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setRecording(bool recording);
    void setModifiers(Qt::KeyboardModifiers modifiers);
    void modifierKey(const QKeyEvent& event);

    HotKeyRecording& recording_;
    bool isRecording_ = false;
    Qt::KeyboardModifiers modifiers_;
    KeyHandler onKey_;
    bool monitoring_ = false;
};

} // namespace quorvane
