#pragma once

// The capture commands that the menus, hot keys and links start, and the post-capture action
// that ends every capture that produced a document.

#include "app/HotKeyAction.h"
#include "app/URLCommand.h"
#include "core/Required.h"
#include "export/PostCaptureAction.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

namespace quorvane {

class Announcer;
class CaptureController;
class ExportController;
class Preferences;

class CaptureCommands : public QObject {
    Q_OBJECT

public:
    static constexpr int confirmationMilliseconds = 6000;

    // `scrollingInProgress`: true while a scrolling capture (or its drag selection) is under way,
    // when only the scrolling hot key may act.
    CaptureCommands(CaptureController& captures, ExportController& exporter, Preferences& preferences,
                    Announcer& announcer, Required<bool()> scrollingInProgress, QObject* parent = nullptr);

    Required<bool()> scrollingInProgress;

    // What a link asked for the next capture; cleared when the capture ends.
    std::optional<URLCommand::Then> oneShotThen;
    bool oneShotFromLink = false;

    bool opensEditorAfterCapture() const;
    QString linkNote() const;

    // A pressed global hot key starts its command, unless a capture is already under way.
    void handleHotKey(HotKeyAction action);
    void captureScreen();
    void captureArea();
    void chooseWindow();
    void repeatArea();
    void recognizeTextInArea();
    // Asks for the scrolling capture, which the scrolling commands run.
    void scrollingCapture();
    // The post-capture action, for the capture controller's captured().
    void handleCapture();
    // The transient confirmation: the status item's tool tip until 6 s after the last one.
    void confirm(const QString& message);

    // "Quorvane", or "Quorvane: " + the latest confirmation while it lasts.
    const QString& statusToolTip() const { return statusToolTip_; }

Q_SIGNALS:
    void statusToolTipChanged(const QString& toolTip);
    // What the shell does for these commands: show the editor (a capture cancelled later leaves
    // it open), pin the capture, show its thumbnail, start a scrolling capture.
    void editorRequested();
    void pinRequested();
    void thumbnailRequested();
    void scrollingCaptureRequested();

private:
    void setStatusToolTip(const QString& toolTip);

    CaptureController& captures_;
    ExportController& exporter_;
    Preferences& preferences_;
    Announcer& announcer_;
    QTimer confirmationReset_;
    QString statusToolTip_;
};

} // namespace quorvane
