#pragma once

// The shell's settings and support commands: Settings… (the settings window, made on first use),
// Export Diagnostics…, and the status menu's Launch at Login item. Owns the launch-at-login and
// diagnostics controllers and the program-wide news of shortcut recording.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

namespace quorvane {

class AppMenus;
class CaptureController;
class DiagnosticsExporter;
class HotKeyRecording;
class LaunchAtLogin;
class Services;
class SettingsWindow;
class SymbolIcons;
class WindowCoordinator;
struct MenuState;

class SettingsCommands : public QObject {
    Q_OBJECT

public:
    // Everything passed in outlives this object.
    SettingsCommands(Services& services, CaptureController& captures, WindowCoordinator& windows,
                     const SymbolIcons& icons, QObject* parent = nullptr);
    // Closes the settings window first: its recorders and controls use what is owned here.
    ~SettingsCommands() override;

    LaunchAtLogin& launchAtLogin() const { return *launchAtLogin_; }
    DiagnosticsExporter& diagnostics() const { return *diagnostics_; }
    HotKeyRecording& recording() const { return *recording_; }
    // Null before the first Settings….
    SettingsWindow* settingsWindow() const { return window_; }

    void showSettings();
    // Shows the settings window, then asks for the diagnostics file as its sheet.
    void exportDiagnostics();
    void toggleLaunchAtLogin();

    // The Launch at Login item: checked while enabled, disabled with the reason as tool tip while
    // unavailable (none while it can be used).
    bool launchAtLoginEnabled() const;
    std::optional<QString> launchAtLoginUnavailable() const;
    // Refreshes the login item as the status menu opens, and the menus whenever it changes.
    void connectMenus(AppMenus& menus);

Q_SIGNALS:
    // The user asks to pick the save folder, in a dialog of `window`.
    void folderChoiceRequested(QWidget* window);

private:
    Services& services_;
    CaptureController& captures_;
    WindowCoordinator& windows_;
    const SymbolIcons& icons_;
    std::unique_ptr<HotKeyRecording> recording_;
    std::unique_ptr<LaunchAtLogin> launchAtLogin_;
    std::unique_ptr<DiagnosticsExporter> diagnostics_;
    QPointer<SettingsWindow> window_;
};

} // namespace quorvane
