#include "app/SettingsView.h"

#include "app/DiagnosticsExporter.h"
#include "app/LaunchAtLogin.h"
#include "app/PathLabel.h"
#include "app/Preferences.h"
#include "app/ShortcutsSection.h"
#include "canvas/AccessibleGroup.h"
#include "core/AppIdentity.h"
#include "core/ButtonReturnKey.h"
#include "core/ComboBoxAccessible.h"
#include "editor_window/CapturePermissionView.h"
#include "editor_window/SheetSlider.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

namespace quorvane {
namespace {

// Explanations under the controls: a little smaller, and dimmed unless they report something.
enum class Tone { secondary, primary };

QLabel* callout(const QString& text, QWidget* parent, Tone tone = Tone::secondary) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.92);
    label->setFont(font);
    if (tone == Tone::secondary) label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QString shellQuoted(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+@:,%=-]*$"));
    if (plain.match(text).hasMatch()) return text;
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

} // namespace

SettingsView::SettingsView(Services services, Actions actions, const QString& logFile, QWidget* parent)
    : QWidget(parent), services_(services), actions_(std::move(actions)) {
    ButtonReturnKey::install();
    AccessibleGroup::expose(*this, QAccessible::Grouping, QStringLiteral("Settings"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(14);
    layout->addWidget(new CapturePermissionView(services_.model, services_.icons, this));
    layout->addWidget(captureSection());
    layout->addWidget(outputSection());
    shortcuts_ = new ShortcutsSection(services_.preferences, services_.recording, services_.layout,
                                      services_.beeper, services_.icons, this);
    layout->addWidget(shortcuts_);
    layout->addWidget(generalSection());
    layout->addWidget(diagnosticsSection(logFile));
    layout->addStretch(1);

    Preferences& preferences = services_.preferences;
    for (auto changed : {&Preferences::postCaptureActionChanged, &Preferences::formatChanged,
                         &Preferences::jpegQualityChanged, &Preferences::saveFolderChanged,
                         &Preferences::hideAfterSaveChanged})
        connect(&preferences, changed, this, &SettingsView::showPreferences);
    connect(&services_.launchAtLogin, &LaunchAtLogin::statusChanged, this, &SettingsView::showLaunchAtLogin);
    connect(&services_.launchAtLogin, &LaunchAtLogin::messageChanged, this, &SettingsView::showLaunchAtLogin);
    connect(&services_.diagnostics, &DiagnosticsExporter::messageChanged, this, &SettingsView::showDiagnostics);
    showPreferences();
    showLaunchAtLogin();
    showDiagnostics();
}

QString SettingsView::logCommand(const QString& logFile, const QString& home) {
    const QString shown = PathLabel::abbreviated(logFile, home);
    // "~" is the shell's only where it stands unquoted at the start.
    const QString path = shown.startsWith(QStringLiteral("~/")) ? QStringLiteral("~/") + shellQuoted(shown.mid(2))
                                                                 : shellQuoted(shown);
    return QStringLiteral("tail -n 200 ") + path;
}

int SettingsView::qualityPercent(double quality) {
    return static_cast<int>(std::clamp(quality * 100.0, 0.0, 100.0));
}

QWidget* SettingsView::captureSection() {
    auto* box = new QGroupBox(QStringLiteral("Capture"), this);
    auto* form = new QFormLayout(box);
    ComboBoxAccessible::install();
    postCapture_ = new QComboBox(box);
    // Named before it is filled: a running reader is told its name with each new item, and would
    // otherwise hear the item ("Show Thumbnail") as its name until told again.
    postCapture_->setAccessibleName(QStringLiteral("After capture"));
    for (PostCaptureAction action : allPostCaptureActions)
        postCapture_->addItem(title(action), static_cast<int>(action));
    postCapture_->setToolTip(QStringLiteral(
        "What Quorvane does with a new screenshot. If copying or saving fails, the editor opens."));
    connect(postCapture_, &QComboBox::activated, this, [this](int index) {
        services_.preferences.setPostCaptureAction(allPostCaptureActions.at(static_cast<std::size_t>(index)));
    });
    form->addRow(QStringLiteral("After capture"), postCapture_);
    // The combo boxes' lists are in the tree while closed too.
    postCapture_->view()->setAccessibleName(QStringLiteral("After capture"));
    return box;
}

QWidget* SettingsView::outputSection() {
    auto* box = new QGroupBox(QStringLiteral("Output"), this);
    auto* form = new QFormLayout(box);
    format_ = new QComboBox(box);
    format_->setAccessibleName(QStringLiteral("Format"));
    format_->addItem(QStringLiteral("PNG"));
    format_->addItem(QStringLiteral("JPEG"));
    connect(format_, &QComboBox::activated, this, [this](int index) {
        services_.preferences.setFormat(index == 1 ? ImageExporter::Format::jpeg : ImageExporter::Format::png);
    });
    form->addRow(QStringLiteral("Format"), format_);
    format_->view()->setAccessibleName(QStringLiteral("Format"));

    qualityRow_ = new QWidget(box);
    auto* qualityLayout = new QHBoxLayout(qualityRow_);
    qualityLayout->setContentsMargins(0, 0, 0, 0);
    quality_ = new SheetSlider(QStringLiteral("JPEG quality"), SliderRule{0, 100, 1, QStringLiteral("%")}, qualityRow_);
    // Only a move of the slider writes: the stored quality is never rounded to the slider's steps.
    connect(quality_, &SheetSlider::edited, this,
            [this](int percent) { services_.preferences.setJpegQuality(percent / 100.0); });
    qualityText_ = new QLabel(qualityRow_);
    qualityText_->setFixedWidth(44);
    qualityText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    qualityLayout->addWidget(quality_, 1);
    qualityLayout->addWidget(qualityText_);
    qualityLabel_ = new QLabel(QStringLiteral("JPEG quality"), box);
    form->addRow(qualityLabel_, qualityRow_);

    auto* folderRow = new QWidget(box);
    auto* folderLayout = new QHBoxLayout(folderRow);
    folderLayout->setContentsMargins(0, 0, 0, 0);
    folder_ = new PathLabel(folderRow);
    chooseFolder_ = new QPushButton(QStringLiteral("Choose…"), folderRow);
    chooseFolder_->setAccessibleName(QStringLiteral("Choose save folder"));
    connect(chooseFolder_, &QPushButton::clicked, this, [this] { actions_.chooseFolder(); });
    folderLayout->addWidget(folder_, 1);
    folderLayout->addWidget(chooseFolder_);
    form->addRow(QStringLiteral("Save folder"), folderRow);

    hideAfterSave_ = new QCheckBox(QStringLiteral("Hide editor after save"), box);
    connect(hideAfterSave_, &QCheckBox::clicked, this,
            [this](bool hide) { services_.preferences.setHideAfterSave(hide); });
    form->addRow(hideAfterSave_);
    return box;
}

QWidget* SettingsView::generalSection() {
    auto* box = new QGroupBox(QStringLiteral("General"), this);
    auto* stack = new QVBoxLayout(box);
    launchToggle_ = new QCheckBox(QStringLiteral("Launch at login"), box);
    launchToggle_->setToolTip(QStringLiteral("Start Quorvane in the system tray when you log in"));
    connect(launchToggle_, &QCheckBox::clicked, this, [this](bool on) {
        services_.launchAtLogin.setEnabled(on);
        // A switch that failed leaves the status as it was: the toggle goes back to it.
        showLaunchAtLogin();
    });
    launchStatus_ = callout(QString(), box);
    launchMessage_ = callout(QString(), box, Tone::primary);
    stack->addWidget(launchToggle_);
    stack->addWidget(launchStatus_);
    stack->addWidget(launchMessage_);
    stack->addWidget(callout(QStringLiteral("Closing a window keeps Quorvane running. Use the Quorvane menu to "
                                            "reopen the editor or quit the app."),
                             box));
    return box;
}

QWidget* SettingsView::diagnosticsSection(const QString& logFile) {
    auto* box = new QGroupBox(QStringLiteral("Diagnostics"), this);
    auto* stack = new QVBoxLayout(box);
    exportButton_ = new QPushButton(QStringLiteral("Export Diagnostics…"), box);
    exportButton_->setToolTip(QStringLiteral("Save the last 24 hours of Quorvane log events as a text file"));
    connect(exportButton_, &QPushButton::clicked, this, [this] { actions_.exportDiagnostics(); });
    stack->addWidget(exportButton_, 0, Qt::AlignLeft);
    diagnosticsMessage_ = callout(QString(), box, Tone::primary);
    stack->addWidget(diagnosticsMessage_);
    stack->addWidget(callout(QStringLiteral("Quorvane logs events, sizes, and error codes to standard error and to "
                                            "its own log files (subsystem %1). It never logs screenshots, "
                                            "recognized text, or clipboard contents. View them with:")
                                 .arg(QLatin1String(applicationId)),
                             box));
    logCommand_ = callout(logCommand(logFile, QDir::homePath()), box);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(logCommand_->font().pointSizeF());
    logCommand_->setFont(mono);
    logCommand_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    logCommand_->setAccessibleName(QStringLiteral("Terminal command to show Quorvane logs"));
    stack->addWidget(logCommand_);
    return box;
}

void SettingsView::showPreferences() {
    const Preferences& preferences = services_.preferences;
    {
        const QSignalBlocker blocker(postCapture_);
        const auto at = std::find(allPostCaptureActions.begin(), allPostCaptureActions.end(),
                                  preferences.postCaptureAction());
        postCapture_->setCurrentIndex(static_cast<int>(at - allPostCaptureActions.begin()));
    }
    const bool jpeg = preferences.format() == ImageExporter::Format::jpeg;
    {
        const QSignalBlocker blocker(format_);
        format_->setCurrentIndex(jpeg ? 1 : 0);
    }
    const int percent = qualityPercent(preferences.jpegQuality());
    quality_->setFormValue(percent);
    qualityText_->setText(QString::number(percent) + QLatin1Char('%'));
    qualityRow_->setEnabled(jpeg);
    qualityLabel_->setEnabled(jpeg);
    folder_->setPath(preferences.saveFolder());
    hideAfterSave_->setChecked(preferences.hideAfterSave());
}

void SettingsView::showLaunchAtLogin() {
    const LaunchAtLogin& login = services_.launchAtLogin;
    using Kind = LaunchAtLogin::Status::Kind;
    const LaunchAtLogin::Status& status = login.status();
    launchToggle_->setChecked(login.isEnabled());
    launchToggle_->setEnabled(status.kind != Kind::unavailable);
    switch (status.kind) {
    case Kind::enabled:
        launchStatus_->setText(QStringLiteral("Quorvane opens at login."));
        break;
    case Kind::disabled:
        launchStatus_->setText(QStringLiteral("Quorvane does not open at login."));
        break;
    case Kind::requiresApproval:
        // The desktop has no page of its own for startup applications to open from here.
        launchStatus_->setText(QStringLiteral("Approval required in your desktop settings."));
        break;
    case Kind::unavailable:
        launchStatus_->setText(status.reason);
        break;
    }
    // Otherwise a failed switch would only flip the toggle back, without a reason.
    launchMessage_->setText(login.message());
    launchMessage_->setVisible(!login.message().isEmpty());
}

void SettingsView::showDiagnostics() {
    const QString& message = services_.diagnostics.message();
    diagnosticsMessage_->setText(message);
    diagnosticsMessage_->setVisible(!message.isEmpty());
    if (!message.isEmpty()) Q_EMIT diagnosticsMessageShown();
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    services_.launchAtLogin.refresh();
}

} // namespace quorvane
