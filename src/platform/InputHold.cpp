#include "platform/InputHold.h"

#include "core/Log.h"
#include "platform/QtInputReplay.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QInputEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <deque>

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;

struct Waiting {
    std::unique_ptr<QInputEvent> event;
    // The window it came to.
    QPointer<QWindow> to;
    Clock::time_point came;
};

bool isKey(QEvent::Type type) {
    return type == QEvent::ShortcutOverride || type == QEvent::KeyPress || type == QEvent::KeyRelease;
}

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

// A copy of `event` to keep: Qt's own mouse and wheel events share their points with the device,
// which later events move.
std::unique_ptr<QInputEvent> kept(const QInputEvent& event) {
    std::unique_ptr<QInputEvent> copy;
    if (event.type() == QEvent::Wheel) {
        const auto& wheel = static_cast<const QWheelEvent&>(event);
        copy = std::make_unique<QWheelEvent>(
            wheel.position(), wheel.globalPosition(), wheel.pixelDelta(), wheel.angleDelta(), wheel.buttons(),
            wheel.modifiers(), wheel.phase(), wheel.inverted(), wheel.source(), wheel.pointingDevice());
    } else if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease) {
        const auto& mouse = static_cast<const QMouseEvent&>(event);
        copy = std::make_unique<QMouseEvent>(mouse.type(), mouse.position(), mouse.scenePosition(),
                                             mouse.globalPosition(), mouse.button(), mouse.buttons(),
                                             mouse.modifiers(), mouse.pointingDevice());
    } else {
        return std::unique_ptr<QInputEvent>(event.clone());
    }
    copy->setTimestamp(event.timestamp());
    return copy;
}

// What a person does, as opposed to following through (a move, a release).
bool acts(QEvent::Type type) {
    return type == QEvent::KeyPress || type == QEvent::MouseButtonPress ||
           type == QEvent::MouseButtonDblClick || type == QEvent::Wheel;
}

} // namespace

struct InputHold::Held {
    const QWindow* key = nullptr;
    QPointer<QWindow> window;
    // Each hold and what gives it up.
    std::vector<std::pair<std::uint64_t, std::function<void()>>> holds;
    std::deque<Waiting> waiting;
    QTimer bound;
    // The bound passed with no input waiting: the next input gives the holds up.
    bool expired = false;
    QMetaObject::Connection gone;
};

InputHold::Token::Token(InputHold& hold, std::uint64_t id) : hold_(&hold), id_(id) {}

InputHold::Token::Token(Token&& other) noexcept
    : hold_(std::move(other.hold_)), id_(std::exchange(other.id_, 0)) {}

InputHold::Token& InputHold::Token::operator=(Token&& other) noexcept {
    if (this != &other) {
        release();
        hold_ = std::move(other.hold_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

InputHold::Token::~Token() {
    release();
}

void InputHold::Token::release() {
    // Emptied first: the input going on may hold the window again, into this very token.
    const std::uint64_t id = std::exchange(id_, 0);
    InputHold* hold = hold_;
    hold_.clear();
    if (hold != nullptr && id != 0) hold->release(id);
}

InputHold::InputHold(std::chrono::milliseconds bound) : bound_(bound) {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->installEventFilter(this);
    // An event that goes on may start a loop of its own (a drag, a menu run to its end) that waits
    // for the input after it: that goes on in the loop, as it would have when it came.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (replayingFor_ != nullptr) resume(replayingFor_);
        });
}

InputHold::~InputHold() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeEventFilter(this);
    for (const auto& held : windows_)
        disconnect(held->gone);
}

InputHold::Token InputHold::hold(QWindow* window, std::function<void()> giveUp) {
    if (window == nullptr) return {};
    Held* held = find(window);
    if (held == nullptr) {
        held = windows_.emplace_back(std::make_unique<Held>()).get();
        held->key = window;
        held->window = window;
        held->bound.setSingleShot(true);
        connect(&held->bound, &QTimer::timeout, this, [this, held] { expire(*held); });
        held->gone = connect(window, &QObject::destroyed, this, [this, window] { forget(window); });
    }
    if (held->holds.empty()) {
        // Input that waits already (behind a paste that started another) counts from when it came.
        const Clock::time_point since = held->waiting.empty() ? Clock::now() : held->waiting.front().came;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(since + bound_ - Clock::now());
        held->expired = false;
        held->bound.start(std::max(left, std::chrono::milliseconds(0)));
    }
    const std::uint64_t id = ++lastID_;
    held->holds.emplace_back(id, std::move(giveUp));
    return Token(*this, id);
}

bool InputHold::holds(const QWindow* window) const {
    const Held* held = find(window);
    return held != nullptr && !held->holds.empty();
}

QWindow* InputHold::activeWindow() {
    if (QWidget* active = QApplication::activeWindow()) return active->windowHandle();
    QWindow* focus = QGuiApplication::focusWindow();
    while (focus != nullptr && focus->type() == Qt::Popup && focus->transientParent() != nullptr)
        focus = focus->transientParent();
    return focus;
}

InputHold::Held* InputHold::find(const QWindow* window) const {
    for (const auto& held : windows_)
        if (held->key == window) return held.get();
    return nullptr;
}

bool InputHold::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (windows_.empty() || replaying_ > 0 || !isInput(type)) return false;
    QWindow* window = nullptr;
    if (watched->isWindowType())
        window = static_cast<QWindow*>(watched);
    else if (type == QEvent::ShortcutOverride && watched->isWidgetType())
        window = static_cast<QWidget*>(watched)->window()->windowHandle();
    if (window == nullptr) return false;
    Held* held = find(window);
    // Keys can still come to a menu that closed over the held window (Paste chosen from it), and
    // act on that window's shortcuts.
    if (held == nullptr && isKey(type) && (window->type() == Qt::Popup || !window->isVisible()))
        held = find(activeWindow());
    if (held == nullptr || held->holds.empty()) return false;
    const bool escape = (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) &&
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (type == QEvent::ShortcutOverride) {
        // Past the bound, the key goes its own way, shortcut included.
        if (held->expired && !escape) {
            giveUp(*held, Reason::bound);
            return false;
        }
        // Claimed, Qt matches no shortcut and sends the key on as a press, which waits; its
        // shortcut is matched when it goes on.
        event->accept();
        return true;
    }
    if (escape) {
        giveUp(*held, Reason::escape);
        return true;
    }
    if (held->expired) {
        if (acts(type)) giveUp(*held, Reason::bound);
        return false;
    }
    // The press before it makes it again as it goes on.
    if (type == QEvent::MouseButtonDblClick) return true;
    auto* input = static_cast<QInputEvent*>(event);
    // Of moves in a row only the last counts.
    if (type == QEvent::MouseMove && !held->waiting.empty() &&
        held->waiting.back().event->type() == QEvent::MouseMove &&
        static_cast<const QMouseEvent&>(*held->waiting.back().event).buttons() ==
            static_cast<QMouseEvent*>(input)->buttons()) {
        held->waiting.back().event = kept(*input);
        held->waiting.back().to = window;
        return true;
    }
    if (held->waiting.size() >= mostHeld) {
        giveUp(*held, Reason::overflow);
        return false;
    }
    held->waiting.push_back({kept(*input), window, Clock::now()});
    return true;
}

void InputHold::release(std::uint64_t id) {
    for (const auto& held : windows_) {
        auto& holds = held->holds;
        const auto found =
            std::find_if(holds.begin(), holds.end(), [id](const auto& each) { return each.first == id; });
        if (found == holds.end()) continue;
        holds.erase(found);
        if (!holds.empty()) return;
        held->bound.stop();
        resume(held->key);
        return;
    }
}

void InputHold::expire(Held& held) {
    if (held.waiting.empty())
        held.expired = true;
    else
        giveUp(held, Reason::bound);
}

void InputHold::giveUp(Held& held, Reason reason) {
    const QWindow* window = held.key;
    const auto holds = std::exchange(held.holds, {});
    held.bound.stop();
    held.expired = false;
    switch (reason) {
    case Reason::bound:
        Log::app().log("A read for a window was given up after {} ms, and its input went on", bound_.count());
        break;
    case Reason::escape:
        Log::app().log("A read for a window was given up by Escape, and its input went on");
        break;
    case Reason::overflow:
        Log::app().log("A read for a window was given up: more input came meanwhile than is kept");
        break;
    }
    for (const auto& [id, given] : holds)
        if (given) given();
    resume(window);
}

void InputHold::resume(const QWindow* window) {
    for (;;) {
        Held* held = find(window);
        if (held == nullptr || !held->holds.empty()) return;
        if (held->waiting.empty() || held->window == nullptr) return forget(window);
        const Waiting next = std::move(held->waiting.front());
        held->waiting.pop_front();
        ++replaying_;
        const QWindow* outer = std::exchange(replayingFor_, window);
        QtInputReplay::deliver(next.to != nullptr ? *next.to : *held->window, *next.event);
        replayingFor_ = outer;
        --replaying_;
    }
}

void InputHold::forget(const QWindow* window) {
    const auto found = std::find_if(windows_.begin(), windows_.end(),
                                    [window](const auto& held) { return held->key == window; });
    if (found == windows_.end()) return;
    disconnect((*found)->gone);
    windows_.erase(found);
}

} // namespace quorvane
