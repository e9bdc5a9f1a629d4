#include "app/ShellLinkTarget.h"

#include "app/CaptureCommands.h"
#include "app/DiscardQuestion.h"
#include "app/DocumentCommands.h"
#include "app/QuitCoordinator.h"
#include "capture/CaptureController.h"

namespace quorvane {

ShellLinkTarget::ShellLinkTarget(CaptureController& captures, CaptureCommands& commands,
                                 QuitCoordinator& quit, const DiscardQuestion& question,
                                 DocumentCommands& documents, QObject* parent)
    : QObject(parent), captures_(captures), commands_(commands), quit_(quit), question_(question),
      documents_(documents) {}

bool ShellLinkTarget::isCaptureInProgress() const {
    // The discard question is no nested loop: a link meanwhile must not start anything either.
    return captures_.isBusy() || commands_.scrollingInProgress() || quit_.isDeciding() || question_.isOpen();
}

bool ShellLinkTarget::wouldDiscardUnexportedChanges() const {
    return quit_.wouldDiscardUnexportedChanges();
}

bool ShellLinkTarget::canRepeatArea() const {
    return captures_.canRepeatArea();
}

void ShellLinkTarget::arm(std::optional<int> delay, std::optional<URLCommand::Then> then) {
    captures_.oneShotDelay = delay;
    commands_.oneShotThen = then;
    commands_.oneShotFromLink = true;
}

void ShellLinkTarget::disarm() {
    captures_.oneShotDelay.reset();
    captures_.oneShotNote.reset();
    commands_.oneShotThen.reset();
    commands_.oneShotFromLink = false;
}

void ShellLinkTarget::captureArea() {
    commands_.captureArea();
}

void ShellLinkTarget::captureScreen() {
    commands_.captureScreen();
}

void ShellLinkTarget::repeatArea() {
    commands_.repeatArea();
}

void ShellLinkTarget::recognizeTextInArea() {
    commands_.recognizeTextInArea();
}

void ShellLinkTarget::chooseWindow() {
    commands_.chooseWindow();
}

void ShellLinkTarget::presentEditor() {
    Q_EMIT editorRequested();
}

void ShellLinkTarget::showSettings() {
    Q_EMIT settingsRequested();
}

void ShellLinkTarget::openFile(const QUrl& file) {
    Q_EMIT editorRequested();
    documents_.importFile(file);
}

} // namespace quorvane
