#pragma once

// The registration of the stored hot keys: again after every change of the bindings, and
// suspended while a recorder records, so that the combination being recorded never starts a
// capture.

#include "app/HotKeyCenter.h"

#include <QObject>

namespace quorvane {

class Preferences;

class HotKeyRegistration : public QObject {
    Q_OBJECT

public:
    HotKeyRegistration(HotKeyCenter& center, Preferences& preferences, QObject* parent = nullptr);

    void registerHotKeys(const HotKeyCenter::Bindings& bindings);
    // A change of the stored bindings, or the program becoming active: skipped while a recorder
    // records; the last recorder's stop registers the bindings then current.
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
    int activeRecorders_ = 0;
};

} // namespace quorvane
