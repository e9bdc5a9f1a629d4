#include "app/SettingsCommands.h"

#include "app/AppMenus.h"
#include "app/DiagnosticsExporter.h"
#include "app/HotKeyRecording.h"
#include "app/LaunchAtLogin.h"
#include "app/MenuState.h"
#include "app/Services.h"
#include "app/SettingsView.h"
#include "app/SettingsWindow.h"
#include "app/WindowCoordinator.h"
#include "platform/LogStore.h"
#include "platform/SystemInfo.h"

#include <QDateTime>
#include <QMenu>

namespace quorvane {

SettingsCommands::SettingsCommands(Services& services, CaptureController& captures, WindowCoordinator& windows,
                                   const SymbolIcons& icons, QObject* parent)
    : QObject(parent), services_(services), captures_(captures), windows_(windows), icons_(icons),
      recording_(std::make_unique<HotKeyRecording>()),
      launchAtLogin_(std::make_unique<LaunchAtLogin>(services.loginItem(), services.loginItem().program(),
                                                     LaunchAtLogin::temporaryFolders())),
      diagnostics_(std::make_unique<DiagnosticsExporter>(
          services.logStore(),
          SystemInfo::processStartTimeMs().value_or(QDateTime::currentMSecsSinceEpoch() - 86'400'000))) {}

SettingsCommands::~SettingsCommands() {
    delete window_.data();
}

void SettingsCommands::showSettings() {
    if (window_ == nullptr) {
        SettingsView::Services parts{captures_,
                                     services_.preferences(),
                                     *launchAtLogin_,
                                     *diagnostics_,
                                     *recording_,
                                     services_.keyboardLayout(),
                                     services_.beeper(),
                                     icons_};
        SettingsView::Actions actions{
            .chooseFolder =
                [self = QPointer<SettingsCommands>(this)] {
                    if (SettingsCommands* commands = self)
                        Q_EMIT commands->folderChoiceRequested(commands->window_);
                },
            .exportDiagnostics =
                [self = QPointer<SettingsCommands>(this)] {
                    if (SettingsCommands* commands = self) commands->exportDiagnostics();
                },
        };
        const QString logFile = QString::fromStdString((services_.logStore().directory() / "quorvane.log").string());
        window_ = new SettingsWindow(new SettingsView(parts, std::move(actions), logFile));
        windows_.setSettingsWindow(window_);
    }
    windows_.presentSettings();
}

void SettingsCommands::exportDiagnostics() {
    showSettings();
    diagnostics_->exportPanel(window_);
}

void SettingsCommands::toggleLaunchAtLogin() {
    launchAtLogin_->setEnabled(!launchAtLogin_->isEnabled());
}

bool SettingsCommands::launchAtLoginEnabled() const {
    return launchAtLogin_->isEnabled();
}

std::optional<QString> SettingsCommands::launchAtLoginUnavailable() const {
    if (launchAtLogin_->status().kind != LaunchAtLogin::Status::Kind::unavailable) return std::nullopt;
    return launchAtLogin_->status().reason;
}

void SettingsCommands::connectMenus(AppMenus& menus) {
    // Runs after the menu's own validation, whose result the refresh corrects when it changes.
    connect(menus.statusMenu(), &QMenu::aboutToShow, launchAtLogin_.get(), &LaunchAtLogin::refresh);
    connect(launchAtLogin_.get(), &LaunchAtLogin::statusChanged, &menus, &AppMenus::validate);
}

} // namespace quorvane
