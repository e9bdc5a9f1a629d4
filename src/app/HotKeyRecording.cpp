#include "app/HotKeyRecording.h"

#include "app/RecordingSession.h"

namespace quorvane {

void HotKeyRecording::sessionChanged(RecordingSession& session, bool recording) {
    if (!recording) {
        if (active_ == &session) active_ = nullptr;
        Q_EMIT recordingDidChange(false);
        return;
    }
    QPointer<RecordingSession> replaced = active_;
    active_ = &session;
    Q_EMIT recordingDidChange(true);
    if (replaced != nullptr && replaced != &session) replaced->stop();
}

} // namespace quorvane
