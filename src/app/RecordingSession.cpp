#include "app/RecordingSession.h"

#include "app/HotKeyRecording.h"
#include "app/KeyNames.h"

#include <QApplication>
#include <QKeyEvent>

namespace quorvane {
namespace {

constexpr Qt::KeyboardModifiers counted =
    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier;

// The modifier a modifier key holds, none for lock and level keys; whether the key is one at all.
std::optional<Qt::KeyboardModifiers> heldBy(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return Qt::MetaModifier;
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_AltGr:
    case Qt::Key_Mode_switch:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return Qt::NoModifier;
    default:
        break;
    }
    // A modifier position that the layout gives another name.
    if (const auto keyCode = KeyNames::keyCode(event.nativeScanCode()); keyCode && KeyNames::isModifierKey(*keyCode))
        return Qt::NoModifier;
    return std::nullopt;
}

} // namespace

RecordingSession::RecordingSession(HotKeyRecording& recording, QObject* parent)
    : QObject(parent), recording_(recording) {}

RecordingSession::~RecordingSession() {
    stop();
}

Qt::KeyboardModifiers RecordingSession::reduced(Qt::KeyboardModifiers modifiers) {
    return modifiers & counted;
}

void RecordingSession::start(KeyHandler onKey) {
    stop();
    onKey_ = std::move(onKey);
    setRecording(true);
    qApp->installEventFilter(this);
    monitoring_ = true;
}

void RecordingSession::stop() {
    if (monitoring_) qApp->removeEventFilter(this);
    monitoring_ = false;
    onKey_ = nullptr;
    setRecording(false);
    setModifiers(Qt::NoModifier);
}

void RecordingSession::setRecording(bool recording) {
    if (recording == isRecording_) return;
    isRecording_ = recording;
    Q_EMIT isRecordingChanged();
    recording_.sessionChanged(*this, recording);
}

void RecordingSession::setModifiers(Qt::KeyboardModifiers modifiers) {
    if (modifiers == modifiers_) return;
    modifiers_ = modifiers;
    Q_EMIT modifiersChanged();
}

void RecordingSession::modifierKey(const QKeyEvent& event) {
    // The state the event carries is the one before it (QKeyEvent::modifiers() would flip some
    // keys' own bits but not Super's): the key's own bit follows the press or release.
    Qt::KeyboardModifiers held = reduced(static_cast<const QInputEvent&>(event).modifiers());
    const Qt::KeyboardModifiers own = *heldBy(event);
    held = event.type() == QEvent::KeyPress ? held | own : held & ~own;
    setModifiers(held);
}

bool RecordingSession::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepted, no menu shortcut takes the key: it comes back as a press.
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (heldBy(key)) {
            modifierKey(key);
            return true;
        }
        if (event->type() == QEvent::KeyRelease) break;
        // The handler may stop this session, and what it calls may end it.
        const KeyHandler handler = onKey_;
        if (handler && handler(key)) stop();
        return true;
    }
    case QEvent::InputMethod:
        // Text composed by an input method is not a key: it is swallowed, never typed elsewhere.
        return true;
    case QEvent::ApplicationDeactivate:
    case QEvent::WindowDeactivate:
        // Releases made elsewhere never arrive here.
        setModifiers(Qt::NoModifier);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quorvane
