#pragma once

// The application as links see it: the shell's own controllers and commands behind the link
// router's target.

#include "app/URLCommandTarget.h"

#include <QObject>
#include <functional>

namespace quorvane {

class CaptureCommands;
class CaptureController;
class DiscardQuestion;
class DocumentCommands;
class QuitCoordinator;

class ShellLinkTarget final : public QObject, public URLCommandTarget {
    Q_OBJECT

public:
    ShellLinkTarget(CaptureController& captures, CaptureCommands& commands, QuitCoordinator& quit,
                    const DiscardQuestion& question, DocumentCommands& documents, QObject* parent = nullptr);

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

Q_SIGNALS:
    // What the shell shows for a link: the editor, the settings window.
    void editorRequested();
    void settingsRequested();

private:
    CaptureController& captures_;
    CaptureCommands& commands_;
    QuitCoordinator& quit_;
    const DiscardQuestion& question_;
    DocumentCommands& documents_;
};

} // namespace quorvane
