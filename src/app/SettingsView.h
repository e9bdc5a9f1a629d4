#pragma once

// The settings form. It keeps nothing of its own: every control shows a field of a long-lived
// object and writes to it only when the user acts, so a change takes effect at once, a change
// made elsewhere shows at once, and opening and closing the form changes nothing.

#include "app/HotKeyAction.h"
#include "core/Required.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace quorvane {

class Beeper;
class CaptureController;
class DiagnosticsExporter;
class HotKeyRecorder;
class HotKeyRecording;
class KeyboardLayout;
class LaunchAtLogin;
class PathLabel;
class Preferences;
class SheetSlider;
class ShortcutsSection;
class SymbolIcons;

class SettingsView : public QWidget {
    Q_OBJECT

public:
    struct Services {
        CaptureController& model;
        Preferences& preferences;
        LaunchAtLogin& launchAtLogin;
        DiagnosticsExporter& diagnostics;
        HotKeyRecording& recording;
        KeyboardLayout& layout;
        Beeper& beeper;
        const SymbolIcons& icons;
    };
    struct Actions {
        Required<void()> chooseFolder;
        Required<void()> exportDiagnostics;
    };

    // `logFile` is the log store's current file, for the command that shows it.
    SettingsView(Services services, Actions actions, const QString& logFile, QWidget* parent = nullptr);

    // The shell command that shows the last lines of `logFile`, the home folder written as "~".
    static QString logCommand(const QString& logFile, const QString& home);
    // "56%" for 0.57: the whole part of quality × 100.
    static int qualityPercent(double quality);

    QComboBox* postCaptureBox() const { return postCapture_; }
    QComboBox* formatBox() const { return format_; }
    QWidget* qualityRow() const { return qualityRow_; }
    SheetSlider* qualitySlider() const { return quality_; }
    QLabel* qualityText() const { return qualityText_; }
    PathLabel* saveFolderLabel() const { return folder_; }
    QPushButton* chooseFolderButton() const { return chooseFolder_; }
    QCheckBox* hideAfterSaveBox() const { return hideAfterSave_; }
    ShortcutsSection* shortcuts() const { return shortcuts_; }
    QCheckBox* launchToggle() const { return launchToggle_; }
    QLabel* launchStatusText() const { return launchStatus_; }
    QLabel* launchMessageText() const { return launchMessage_; }
    QPushButton* exportDiagnosticsButton() const { return exportButton_; }
    QLabel* diagnosticsMessageText() const { return diagnosticsMessage_; }
    QLabel* logCommandText() const { return logCommand_; }

Q_SIGNALS:
    // The diagnostics export's progress or outcome is shown: it sits at the foot of the form,
    // where the user may not be looking.
    void diagnosticsMessageShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* captureSection();
    QWidget* outputSection();
    QWidget* generalSection();
    QWidget* diagnosticsSection(const QString& logFile);
    void showPreferences();
    void showLaunchAtLogin();
    void showDiagnostics();

    Services services_;
    Actions actions_;
    QComboBox* postCapture_ = nullptr;
    QComboBox* format_ = nullptr;
    QLabel* qualityLabel_ = nullptr;
    QWidget* qualityRow_ = nullptr;
    SheetSlider* quality_ = nullptr;
    QLabel* qualityText_ = nullptr;
    PathLabel* folder_ = nullptr;
    QPushButton* chooseFolder_ = nullptr;
    QCheckBox* hideAfterSave_ = nullptr;
    ShortcutsSection* shortcuts_ = nullptr;
    QCheckBox* launchToggle_ = nullptr;
    QLabel* launchStatus_ = nullptr;
    QLabel* launchMessage_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QLabel* diagnosticsMessage_ = nullptr;
    QLabel* logCommand_ = nullptr;
};

} // namespace quorvane
