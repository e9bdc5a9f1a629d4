#pragma once

// The application as links see it: the shell's own controllers and commands behind the link
// router's target.

#include "app/URLCommandTarget.h"

#include <functional>

namespace quorvane {

class CaptureCommands;
class CaptureController;
class DiscardQuestion;
class DocumentCommands;
class QuitCoordinator;

class ShellLinkTarget final : public URLCommandTarget {
public:
    ShellLinkTarget(CaptureController& captures, CaptureCommands& commands, QuitCoordinator& quit,
                    const DiscardQuestion& question, DocumentCommands& documents);

    std::function<void()> showEditor = [] {};
    std::function<void()> showSettingsWindow = [] {};
    // A scrolling capture or its drag selection is under way.
    std::function<bool()> scrollingInProgress = [] { return false; };

    bool isCaptureInProgress() const override;
    bool wouldDiscardUnexportedChanges() const override;
    bool canRepeatArea() const override;
    void arm(std::optional<int> delay, std::optional<URLCommand::Then> then) override;
    void disarm() override;
    void captureArea() override;
    void captureScreen() override;
    void repeatArea() override;
    void recognizeTextInArea() override;
    void chooseWindow() override;
    void presentEditor() override;
    void showSettings() override;
    void openFile(const QUrl& file) override;

private:
    CaptureController& captures_;
    CaptureCommands& commands_;
    QuitCoordinator& quit_;
    const DiscardQuestion& question_;
    DocumentCommands& documents_;
};

} // namespace quorvane
