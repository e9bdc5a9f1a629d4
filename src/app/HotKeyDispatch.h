#pragma once

// What a global hot key does: it starts a capture command unless a capture is already under
// way, and the registration of the stored bindings, suspended while a recorder records.

#include "app/HotKeyAction.h"
#include "app/HotKeyCenter.h"

#include <QObject>

namespace quorvane {

class CaptureCommands;
class CaptureController;
class Preferences;

class HotKeyDispatch : public QObject {
    Q_OBJECT

public:
    HotKeyDispatch(HotKeyCenter& center, Preferences& preferences, CaptureController& captures,
                   CaptureCommands& commands, QObject* parent = nullptr);

    // Stand-in seam for the scrolling controller: true while a scrolling capture (or its drag
    // selection) is under way, when only the scrolling hot key may act.
    std::function<bool()> scrollingInProgress = [] { return false; };

    void handleHotKey(HotKeyAction action);
    void registerHotKeys(const HotKeyCenter::Bindings& bindings);
    // A change of the stored bindings, or the program becoming active: skipped while a recorder
    // records, so that the combination being recorded never starts a capture; the last
    // recorder's stop registers the bindings then current.
    void reregister(const HotKeyCenter::Bindings& bindings);
    // A recorder started (true) or stopped (false) recording.
    void hotKeyRecording(bool recording);
    int activeRecorders() const { return activeRecorders_; }

Q_SIGNALS:
    // After every registration: the status menu shows the errors on its items.
    void registered();

private:
    HotKeyCenter& center_;
    Preferences& preferences_;
    CaptureController& captures_;
    CaptureCommands& commands_;
    int activeRecorders_ = 0;
};

} // namespace quorvane
