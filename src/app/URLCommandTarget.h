#pragma once

// What a quorvane:// link can ask of the application: three conditions the router reads before
// acting, the one-shot choices for the capture a link starts, and the application's own commands
// (the same the menus and hot keys use).

#include "app/URLCommand.h"

#include <QUrl>
#include <optional>

namespace quorvane {

class URLCommandTarget {
public:
    virtual ~URLCommandTarget() = default;

    // A capture, a scrolling capture or its drag selection is under way, or a quit is being
    // decided (the discard question is open).
    virtual bool isCaptureInProgress() const = 0;
    // A new document now would drop unexported changes of two different documents.
    virtual bool wouldDiscardUnexportedChanges() const = 0;
    virtual bool canRepeatArea() const = 0;

    // The delay, the post-capture override and the link mark for the capture about to start;
    // `disarm` clears all three when none started.
    virtual void arm(std::optional<int> delay, std::optional<URLCommand::Then> then) = 0;
    virtual void disarm() = 0;

    virtual void captureArea() = 0;
    virtual void captureScreen() = 0;
    virtual void repeatArea() = 0;
    virtual void recognizeTextInArea() = 0;
    virtual void chooseWindow() = 0;
    virtual void presentEditor() = 0;
    virtual void showSettings() = 0;
    // Shows the editor and opens the image file, or shows why it cannot.
    virtual void openFile(const QUrl& file) = 0;
};

} // namespace quorvane
