#include "app/HotKeyRecorder.h"

#include "app/HotKeyCenter.h"
#include "app/KeyNames.h"
#include "app/ShortcutFormatter.h"
#include "editor_window/ChromeAccessible.h"
#include "platform/Beeper.h"

#include <QApplication>
#include <QKeyEvent>

namespace quorvane {
namespace {

// Key codes of the stored numbering.
constexpr std::uint32_t escapeKey = 53;
constexpr std::uint32_t backspaceKey = 51;
constexpr std::uint32_t deleteKey = 117;

} // namespace

const QString HotKeyRecorder::recordingHelp =
    QStringLiteral("Type a shortcut. Escape cancels, Delete clears.");

HotKeyRecorder::HotKeyRecorder(const QString& label, HotKeyRecording& recording, KeyboardLayout& layout,
                               Beeper& beeper, QWidget* parent)
    : QPushButton(parent), label_(label), layout_(layout), beeper_(beeper), session_(recording) {
    ChromeAccessible::install();
    setMinimumWidth(110);
    connect(this, &QPushButton::clicked, this, &HotKeyRecorder::toggle);
    connect(&session_, &RecordingSession::isRecordingChanged, this, &HotKeyRecorder::refresh);
    connect(&session_, &RecordingSession::modifiersChanged, this, &HotKeyRecorder::refresh);
    refresh();
}

std::uint32_t HotKeyRecorder::hotKeyModifiers(Qt::KeyboardModifiers modifiers) {
    std::uint32_t mask = 0;
    if (modifiers & Qt::ControlModifier) mask |= HotKeyModifier::control;
    if (modifiers & Qt::AltModifier) mask |= HotKeyModifier::alt;
    if (modifiers & Qt::ShiftModifier) mask |= HotKeyModifier::shift;
    if (modifiers & Qt::MetaModifier) mask |= HotKeyModifier::super;
    return mask;
}

void HotKeyRecorder::setBinding(const std::optional<HotKeyBinding>& binding) {
    if (binding == binding_) return;
    binding_ = binding;
    refresh();
}

QString HotKeyRecorder::title() const {
    if (session_.isRecording()) {
        const std::uint32_t held = hotKeyModifiers(session_.modifiers());
        return held == 0 ? QStringLiteral("Type shortcut…")
                         : ShortcutFormatter::modifiers(held) + QStringLiteral("…");
    }
    return binding_ ? ShortcutFormatter::text(*binding_, layout_) : QStringLiteral("None");
}

QString HotKeyRecorder::accessibilityValue() const {
    if (session_.isRecording()) return QStringLiteral("Recording");
    return binding_ ? ShortcutFormatter::spoken(*binding_, layout_) : QStringLiteral("None");
}

void HotKeyRecorder::toggle() {
    // A second press only stops: it never records again at once.
    if (session_.isRecording()) {
        session_.stop();
        return;
    }
    session_.start([this](const QKeyEvent& press) { return handleKey(press); });
}

bool HotKeyRecorder::handleKey(const QKeyEvent& press) {
    const Qt::KeyboardModifiers held = RecordingSession::reduced(press.modifiers());
    const std::optional<std::uint32_t> keyCode = KeyNames::keyCode(press.nativeScanCode());
    if (held == Qt::NoModifier && keyCode == escapeKey) return true;
    if (held == Qt::NoModifier && (keyCode == backspaceKey || keyCode == deleteKey)) {
        record(std::nullopt);
        return true;
    }
    // Only the shortcut's own rules count here; clashes show when it is registered.
    const HotKeyBinding candidate{keyCode.value_or(0), hotKeyModifiers(held)};
    if (!keyCode || !HotKeyCenter::validate(candidate, HotKeyCenter::BindingSet{})) {
        beeper_.beep();
        return false;
    }
    record(candidate);
    return true;
}

void HotKeyRecorder::record(const std::optional<HotKeyBinding>& binding) {
    setBinding(binding);
    Q_EMIT edited(binding);
}

void HotKeyRecorder::refresh() {
    const bool recording = session_.isRecording();
    setText(title());
    setToolTip(recording ? recordingHelp
                         : QStringLiteral("Click to change the %1 (%2)")
                               .arg(label_.toLower(), binding_ ? ShortcutFormatter::text(*binding_, layout_)
                                                               : QStringLiteral("none")));
    // The value in words, which Qt 6.4's AT-SPI bridge does not carry, then what a press does.
    setAccessibleDescription(recording
                                 ? recordingHelp
                                 : accessibilityValue() + QStringLiteral(". Press to record a new shortcut"));
    // Secondary while there is nothing settled to show.
    const QPalette standard = QApplication::palette(this);
    QPalette colors = palette();
    colors.setColor(QPalette::ButtonText, standard.color(!recording && binding_ ? QPalette::ButtonText
                                                                                : QPalette::PlaceholderText));
    setPalette(colors);
    ChromeAccessible::valueChanged(*this);
}

void HotKeyRecorder::hideEvent(QHideEvent* event) {
    // A recorder that leaves the screen gives the hot keys back.
    session_.stop();
    QPushButton::hideEvent(event);
}

} // namespace quorvane
