#pragma once

// The program-wide news that a shortcut recorder started or stopped recording, on which the
// global hot keys are suspended and resumed. One recorder records at a time: one that starts
// stops the one recording before it.

#include "app/RecordingSession.h"

#include <QObject>
#include <QPointer>

namespace quorvane {

class HotKeyRecording : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The session recording now, or null.
    RecordingSession* active() const { return active_; }

    // A session's recording changed. The one it replaces stops after the new one is announced,
    // so that the hot keys stay suspended across the change.
    void sessionChanged(RecordingSession& session, bool recording);

Q_SIGNALS:
    // Once for every start (true) and every stop (false) of a recording.
    void recordingDidChange(bool recording);

private:
    QPointer<RecordingSession> active_;
};

} // namespace quorvane
