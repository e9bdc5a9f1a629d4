#include "app/URLCommandRouter.h"

#include "app/URLCommandTarget.h"

namespace quorvane::URLCommandRouter {

Result<void, URLCommand::Rejection> route(const URLCommand& command, URLCommandTarget& target) {
    using Kind = URLCommand::Kind;
    if (target.isCaptureInProgress()) return Failure{URLCommand::Rejection::busy};
    const bool capture = command.kind == Kind::captureArea || command.kind == Kind::captureScreen ||
                         command.kind == Kind::captureRepeat;
    // Only when both the current and the previous document hold unexported edits: one of them
    // alone survives the capture as the previous document, so nothing is lost.
    if (capture && target.wouldDiscardUnexportedChanges())
        return Failure{URLCommand::Rejection::unexportedChanges};

    switch (command.kind) {
    case Kind::captureArea:
        target.arm(command.options.delay, command.options.then);
        target.captureArea();
        break;
    case Kind::captureScreen:
        // A capture nobody frames can only end in the editor.
        target.arm(command.options.delay, URLCommand::Then::edit);
        target.captureScreen();
        break;
    case Kind::captureRepeat:
        if (!target.canRepeatArea()) return Failure{URLCommand::Rejection::unavailable};
        target.arm(command.options.delay, URLCommand::Then::edit);
        target.repeatArea();
        break;
    case Kind::recognizeText:
        target.arm(command.options.delay, std::nullopt);
        target.recognizeTextInArea();
        break;
    case Kind::captureWindow:
        target.chooseWindow();
        return {};
    case Kind::show:
        target.presentEditor();
        return {};
    case Kind::settings:
        target.showSettings();
        return {};
    }
    // The command declined to start a capture: nothing may stay armed for the next one.
    if (!target.isCaptureInProgress()) target.disarm();
    return {};
}

} // namespace quorvane::URLCommandRouter
