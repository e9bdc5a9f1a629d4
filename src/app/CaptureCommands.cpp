#include "app/CaptureCommands.h"

#include "app/Preferences.h"
#include "capture/CaptureController.h"
#include "core/Announcer.h"
#include "core/AppIdentity.h"
#include "core/Log.h"
#include "export/ExportController.h"

namespace quorvane {
namespace {

PostCaptureAction actionFor(URLCommand::Then then) {
    switch (then) {
    case URLCommand::Then::copy:
        return PostCaptureAction::copyToClipboard;
    case URLCommand::Then::save:
        return PostCaptureAction::saveToFolder;
    case URLCommand::Then::edit:
    case URLCommand::Then::pin:
        break;
    }
    return PostCaptureAction::openEditor;
}

} // namespace

CaptureCommands::CaptureCommands(CaptureController& captures, ExportController& exporter,
                                 Preferences& preferences, Announcer& announcer,
                                 Required<bool()> scrolling, QObject* parent)
    : QObject(parent), scrollingInProgress(std::move(scrolling)), captures_(captures),
      exporter_(exporter), preferences_(preferences), announcer_(announcer),
      statusToolTip_(QString::fromLatin1(applicationName)) {
    confirmationReset_.setSingleShot(true);
    confirmationReset_.setInterval(confirmationMilliseconds);
    connect(&confirmationReset_, &QTimer::timeout, this,
            [this] { setStatusToolTip(QString::fromLatin1(applicationName)); });
}

bool CaptureCommands::opensEditorAfterCapture() const {
    if (oneShotThen) return *oneShotThen == URLCommand::Then::edit;
    const PostCaptureAction action = preferences_.postCaptureAction();
    return action == PostCaptureAction::openEditor || action == PostCaptureAction::copyAndOpenEditor;
}

QString CaptureCommands::linkNote() const {
    QString clause;
    if (oneShotThen == URLCommand::Then::pin) {
        clause = QStringLiteral("the capture will be pinned on screen");
    } else {
        switch (oneShotThen ? actionFor(*oneShotThen) : preferences_.postCaptureAction()) {
        case PostCaptureAction::openEditor:
            clause = QStringLiteral("the capture will open in the editor");
            break;
        case PostCaptureAction::copyToClipboard:
            clause = QStringLiteral("the capture will be copied to the clipboard");
            break;
        case PostCaptureAction::saveToFolder:
            clause = QStringLiteral("the capture will be saved to your folder");
            break;
        case PostCaptureAction::showThumbnail:
            clause = QStringLiteral("the capture will be shown as a thumbnail");
            break;
        case PostCaptureAction::copyAndOpenEditor:
            clause = QStringLiteral("the capture will be copied and opened in the editor");
            break;
        }
    }
    return QStringLiteral("Started by a link · ") + clause + QStringLiteral(" · Esc cancels");
}

void CaptureCommands::handleHotKey(HotKeyAction action) {
    if (captures_.isBusy()) return;
    if (action != HotKeyAction::scrollingCapture && scrollingInProgress()) return;
    Log::app().log("Hotkey triggered: {}", rawValue(action).toStdString());
    switch (action) {
    case HotKeyAction::captureArea:
        return captureArea();
    case HotKeyAction::captureScreen:
        return captureScreen();
    case HotKeyAction::repeatArea:
        if (captures_.canRepeatArea()) repeatArea();
        return;
    case HotKeyAction::recognizeArea:
        return recognizeTextInArea();
    case HotKeyAction::scrollingCapture:
        return scrollingCapture();
    }
}

void CaptureCommands::captureScreen() {
    if (opensEditorAfterCapture()) Q_EMIT editorRequested();
    captures_.captureDisplay();
}

void CaptureCommands::captureArea() {
    if (opensEditorAfterCapture()) Q_EMIT editorRequested();
    if (oneShotFromLink) captures_.oneShotNote = linkNote();
    captures_.captureArea();
}

void CaptureCommands::chooseWindow() {
    Q_EMIT editorRequested();
    captures_.setChoosingWindow(true);
    // The refresh runs as the controller's own capture task ("Refreshing windows…").
    captures_.refreshTargets();
}

void CaptureCommands::repeatArea() {
    if (opensEditorAfterCapture()) Q_EMIT editorRequested();
    captures_.repeatArea();
}

void CaptureCommands::recognizeTextInArea() {
    Q_EMIT editorRequested();
    if (oneShotFromLink)
        captures_.oneShotNote =
            QStringLiteral("Started by a link · the recognized text will be shown · Esc cancels");
    captures_.captureOCRArea();
}

void CaptureCommands::scrollingCapture() {
    Q_EMIT scrollingCaptureRequested();
}

void CaptureCommands::handleCapture() {
    const std::optional<URLCommand::Then> then = std::exchange(oneShotThen, std::nullopt);
    if (then == URLCommand::Then::pin) {
        Log::app().log("Post-capture action: pin (one-shot)");
        Q_EMIT pinRequested();
        return;
    }
    const PostCaptureAction action = then ? actionFor(*then) : preferences_.postCaptureAction();
    Log::app().log("Post-capture action: {}{}", rawValue(action).toStdString(), then ? " (one-shot)" : "");
    if (action == PostCaptureAction::showThumbnail) {
        Q_EMIT thumbnailRequested();
        return;
    }
    if (exporter_.finishCapture(action))
        Q_EMIT editorRequested();
    else
        confirm(exporter_.message());
}

void CaptureCommands::confirm(const QString& message) {
    setStatusToolTip(QStringLiteral("Quorvane: ") + message);
    announcer_.announce(message);
    confirmationReset_.start();
}

void CaptureCommands::setStatusToolTip(const QString& toolTip) {
    if (statusToolTip_ == toolTip) return;
    statusToolTip_ = toolTip;
    Q_EMIT statusToolTipChanged(toolTip);
}

} // namespace quorvane
