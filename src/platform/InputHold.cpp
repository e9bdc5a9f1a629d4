#include "platform/InputHold.h"

#include "core/Log.h"
#include "platform/KeyComposer.h"
#include "platform/X11InputConnection.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/private/qwindow_p.h>
#include <QtGui/qpa/qwindowsysteminterface_p.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;
using WindowSystem = QWindowSystemInterfacePrivate;

// Every InputHold alive, in the order made.
std::vector<InputHold*>& alive() {
    static std::vector<InputHold*> holds;
    return holds;
}

bool acts(const WindowSystem::WindowSystemEvent& event) {
    switch (event.type) {
    case WindowSystem::Key:
        return static_cast<const WindowSystem::KeyEvent&>(event).keyType == QEvent::KeyPress;
    case WindowSystem::Mouse: {
        const auto type = static_cast<const WindowSystem::MouseEvent&>(event).buttonType;
        return type == QEvent::MouseButtonPress || type == QEvent::NonClientAreaMouseButtonPress;
    }
    case WindowSystem::Wheel:
    case WindowSystem::Touch:
    case WindowSystem::Tablet:
        return true;
    default:
        return false;
    }
}

bool isInput(const WindowSystem::WindowSystemEvent& event) {
    switch (event.type) {
    case WindowSystem::Key:
        // Made by Qt while it routes a key press that goes on: that key waited already.
        return static_cast<const WindowSystem::KeyEvent&>(event).keyType != QEvent::ShortcutOverride;
    case WindowSystem::Mouse:
    case WindowSystem::Wheel:
    case WindowSystem::Touch:
    case WindowSystem::Tablet:
        return true;
    default:
        return false;
    }
}

// Whether input can go to `window` now: shown, and no modal window of ours in front of it.
bool takesInput(QWindow* window) {
    return window != nullptr && window->isVisible() && !qt_window_private(window)->blockedByModalWindow;
}

void landUnder(QPointer<QWindow>& window, const QPointF& global, QPointF& local) {
    // A click meant for a window that is gone now lands on what is under it now.
    QWindow* under = QGuiApplication::topLevelAt(global.toPoint());
    if (under == nullptr || under == window || !takesInput(under)) return;
    window = under;
    local = under->mapFromGlobal(global);
}

} // namespace

// Qt hands every event from the window system through one handler before it routes it.
class InputHold::Hook final : public QWindowSystemEventHandler {
public:
    Hook() {
        if (KeyComposer::isTakenOver()) composer_ = std::make_unique<KeyComposer>();
    }

    bool sendEvent(WindowSystem::WindowSystemEvent* event) override {
        if (isInput(*event)) {
            for (InputHold* hold : std::vector<InputHold*>(alive()))
                if (!hold->admit(event)) return true;
            // Composed here, once what came before it has gone on.
            if (composer_ != nullptr && event->type == WindowSystem::Key) {
                const auto& key = static_cast<const WindowSystem::KeyEvent&>(*event);
                if (key.keyType == QEvent::KeyPress && composer_->takes(key.nativeVirtualKey)) return true;
            }
            // What held input asks as Qt delivers it (Ctrl+V again behind a paste) belongs to its run.
            std::vector<QPointer<InputHold>> handingOn;
            for (InputHold* hold : alive())
                if (hold->handingOn_) {
                    ++hold->delivering_;
                    handingOn.emplace_back(hold);
                }
            const bool sent = QWindowSystemEventHandler::sendEvent(event);
            for (const QPointer<InputHold>& hold : handingOn)
                if (InputHold* still = hold.data()) --still->delivering_;
            return sent;
        }
        return QWindowSystemEventHandler::sendEvent(event);
    }

private:
    std::unique_ptr<KeyComposer> composer_;
};

namespace {

QWindowSystemEventHandler*& installedHook() {
    static QWindowSystemEventHandler* hook = nullptr;
    return hook;
}

} // namespace

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

InputHold::InputHold(std::chrono::milliseconds bound, std::size_t most, Now now)
    : bound_(bound), most_(most), now_(now ? std::move(now) : Now([] { return Clock::now(); })),
      boundTimer_(std::make_unique<QTimer>()), startTimer_(std::make_unique<QTimer>()),
      settleTimer_(std::make_unique<QTimer>()) {
    settleTimer_->setSingleShot(true);
    settleTimer_->setInterval(0);
    connect(settleTimer_.get(), &QTimer::timeout, this, &InputHold::settle);
    boundTimer_->setSingleShot(true);
    connect(boundTimer_.get(), &QTimer::timeout, this, [this] {
        if (joining_)
            giveUp(*std::exchange(joining_, std::nullopt), 0);
        else if (now_() < deadline_)
            awaitBound();
        else
            expire();
    });
    // A timer of its own, never a posted call: a loop run from inside Qt's delivery of posted
    // calls would hold up those posted meanwhile (a read's outcome among them) until it ends.
    startTimer_->setSingleShot(true);
    startTimer_->setInterval(0);
    connect(startTimer_.get(), &QTimer::timeout, this, [this] {
        if (loops_.empty()) wait();
    });
    if (alive().empty()) {
        installedHook() = new Hook();
        WindowSystem::installWindowSystemEventHandler(installedHook());
    }
    alive().push_back(this);
    // Once Qt is about to sleep, every input that waited has gone on.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (holds_.empty() && admitting_ == 0 && delivering_ == 0) caughtUp();
        });
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        x11_ = X11InputConnection::open();
        if (x11_ && x11_->hasXInput2()) {
            rawListener_ = x11_->addListener([this](const void* event) { return rawInput(event); });
            // Input that Qt has read but not routed when a hold begins waits too: what the
            // server sent while the keyboard was ours is known, to count it and find an Escape.
            connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &InputHold::watchRawInput);
            watchRawInput();
        }
    }
}

InputHold::~InputHold() {
    if (rawWatched_) x11_->releaseRawInput();
    for (QEventLoop* loop : loops_)
        loop->quit();
    if (keySymbols_ != nullptr) xcb_key_symbols_free(static_cast<xcb_key_symbols_t*>(keySymbols_));
    auto& holds = alive();
    holds.erase(std::remove(holds.begin(), holds.end(), this), holds.end());
    if (holds.empty()) {
        WindowSystem::removeWindowSystemEventhandler(installedHook());
        delete std::exchange(installedHook(), nullptr);
    }
}

InputHold::Token InputHold::hold(QWindow* window, std::function<void(Reason)> giveUp) {
    if (window == nullptr) return {};
    if (holds_.empty()) {
        // Asked as held input goes on (Ctrl+V pressed again behind a paste): the input behind it
        // has waited since the run's first hold, and counts from then.
        const bool sameRun = delivering_ > 0 && runStart_.has_value();
        if (!sameRun) {
            runStart_ = now_();
            givenUp_.reset();
        }
        deadline_ = *runStart_ + bound_;
        joinedRun_ = sameRun;
        // Asked by input that came before the run's holds were given up: it goes with them.
        if (sameRun && givenUp_ && routed_ <= givenUp_->until)
            joining_ = givenUp_->reason == Reason::escape ? Reason::escape : Reason::joined;
        expired_ = false;
        waiting_ = 0;
        lastWasMotion_ = false;
        awaitBound();
        watchRawInput();
    }
    const std::uint64_t id = ++lastID_;
    // A window gone ends its holds, unsaid: nothing is left to read for.
    const QMetaObject::Connection gone = connect(window, &QObject::destroyed, this, [this, id] { drop(id); });
    holds_.push_back({id, window, std::move(giveUp), gone});
    // Input is deferred from the next turn of the event loop, never in the caller's.
    if (!startTimer_->isActive()) startTimer_->start();
    return Token(*this, id);
}

void InputHold::afterHeldInput(std::function<void()> then) {
    if (holds_.empty() && !handingOn_) return then();
    afterInput_.push_back(std::move(then));
}

void InputHold::caughtUp() {
    handingOn_ = false;
    if (!afterInput_.empty() && !settleTimer_->isActive()) settleTimer_->start();
}

void InputHold::settle() {
    // Never from inside a wait of held input's own, where input must keep its order: the next
    // catching up settles.
    if (admitting_ > 0 || delivering_ > 0 || !loops_.empty()) return;
    // What Qt deferred may not have gone on when the loop first turns: it goes on first, through
    // Qt's whole path, then what waited for it runs. A hold begun meanwhile settles at its end.
    QCoreApplication::processEvents();
    if (!holds_.empty()) return;
    for (const auto& then : std::exchange(afterInput_, {}))
        then();
}

bool InputHold::holds(const QWindow* window) const {
    return window != nullptr && std::any_of(holds_.begin(), holds_.end(),
                                            [window](const Hold& each) { return each.window == window; });
}

QWindow* InputHold::activeWindow() {
    if (QWidget* active = QApplication::activeWindow()) return active->windowHandle();
    QWindow* focus = QGuiApplication::focusWindow();
    while (focus != nullptr && focus->type() == Qt::Popup && focus->transientParent() != nullptr)
        focus = focus->transientParent();
    return focus;
}

bool InputHold::admit(void* windowSystemEvent) {
    auto& event = *static_cast<WindowSystem::WindowSystemEvent*>(windowSystemEvent);
    auto& input = static_cast<WindowSystem::UserEvent&>(event);
    auto* key = event.type == WindowSystem::Key ? static_cast<WindowSystem::KeyEvent*>(&event) : nullptr;

    // The Escape that gave a paste up does nothing else: neither its press nor its release.
    if (key != nullptr) {
        const bool press = key->keyType == QEvent::KeyPress;
        const auto spent = std::find_if(spent_.begin(), spent_.end(), [&](const Spent& each) {
            return each.key == key->nativeScanCode &&
                   (press ? !each.pressed && each.time == input.timestamp : each.pressed);
        });
        if (spent != spent_.end()) {
            if (press)
                spent->pressed = true;
            else
                spent_.erase(spent);
            return false;
        }
    }

    const bool acting = acts(event);
    if (input.timestamp > routed_) routed_ = input.timestamp;
    if (acting)
        Q_EMIT inputComing(input.window != nullptr ? input.window.data() : QGuiApplication::focusWindow());

    if (!holds_.empty()) {
        if (key != nullptr && key->keyType == QEvent::KeyPress && key->key == Qt::Key_Escape) {
            spent_.push_back({input.timestamp, key->nativeScanCode, true});
            giveUp(Reason::escape, input.timestamp);
            return false;
        }
        const bool motion = event.type == WindowSystem::Mouse &&
                            static_cast<WindowSystem::MouseEvent&>(event).buttonType == QEvent::MouseMove;
        noteInput(acting, motion, static_cast<std::uint32_t>(input.timestamp));
        // This one came before Qt was told to defer input: it waits here, the rest in Qt.
        wait();
    }

    handingOn_ = isHeld(input.timestamp);
    if (!handingOn_) {
        // Input comes in order: what waited has all gone on.
        if (input.timestamp != 0) heldUntil_ = 0;
        unsettled_.clear();
        if (holds_.empty()) caughtUp();
        return true;
    }
    ++admitting_;
    const auto admitted = qScopeGuard([this] { --admitting_; });
    // What a held press before this one did (a dialog opened, a sheet closed) settles first, as it
    // would have while the person moved on to the next key.
    if (acting) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (takesInput(input.window)) return true;
    if (key != nullptr) {
        // Meant for a window that is gone or blocked now: it goes where the keyboard settles. A
        // keyboard that settles nowhere is waited for once, not for each key.
        const auto settled = [] { return takesInput(QGuiApplication::focusWindow()); };
        if (unsettled_ != input.window) waitFor(settled, settleBound);
        if (!settled()) unsettled_ = input.window;
        if (QWindow* focus = QGuiApplication::focusWindow(); takesInput(focus)) {
            input.window = focus;
            input.flags &= ~WindowSystem::WindowSystemEvent::NullWindow;
        }
    } else if (event.type == WindowSystem::Mouse) {
        auto& mouse = static_cast<WindowSystem::MouseEvent&>(event);
        landUnder(input.window, mouse.globalPos, mouse.localPos);
    } else if (event.type == WindowSystem::Wheel) {
        auto& wheel = static_cast<WindowSystem::WheelEvent&>(event);
        landUnder(input.window, wheel.globalPos, wheel.localPos);
    }
    return true;
}

bool InputHold::isHeld(unsigned long time) const {
    return time != 0 && heldUntil_ != 0 && time <= heldUntil_;
}

void InputHold::wait() {
    catchUpRawInput();
    if (holds_.empty()) return;
    QPointer<InputHold> self(this);
    QEventLoop loop;
    loops_.push_back(&loop);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (self == nullptr) return;
    loops_.erase(std::remove(loops_.begin(), loops_.end(), &loop), loops_.end());
}

void InputHold::waitFor(const std::function<bool()>& settled, std::chrono::milliseconds bound) {
    if (settled()) return;
    QEventLoop loop;
    QTimer look;
    connect(&look, &QTimer::timeout, &loop, [&] {
        if (settled()) loop.quit();
    });
    look.start(10);
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void InputHold::noteInput(bool acting, bool motion, std::uint32_t time) {
    if (time != 0 && time > heldUntil_) heldUntil_ = time;
    if (std::exchange(lastWasMotion_, motion) && motion) return;
    ++waiting_;
    if (expired_ && acting) return giveUp(Reason::bound, heldUntil_);
    if (waiting_ > most_) giveUp(Reason::overflow, heldUntil_);
}

void InputHold::watchRawInput() {
    const bool watch = rawListener_ != 0 && (!holds_.empty() || QGuiApplication::focusWindow() != nullptr);
    if (watch == rawWatched_) return;
    rawWatched_ = watch;
    if (watch) {
        x11_->retainRawInput();
    } else {
        x11_->releaseRawInput();
        seen_.clear();
        // The keyboard's map is read again next time: it may change meanwhile.
        if (keySymbols_ != nullptr)
            xcb_key_symbols_free(static_cast<xcb_key_symbols_t*>(std::exchange(keySymbols_, nullptr)));
    }
}

bool InputHold::rawInput(const void* raw) {
    const auto* generic = static_cast<const xcb_ge_generic_event_t*>(raw);
    if ((generic->response_type & 0x7f) != XCB_GE_GENERIC || generic->extension != x11_->xinputOpcode())
        return false;
    switch (generic->event_type) {
    case XCB_INPUT_RAW_KEY_PRESS:
    case XCB_INPUT_RAW_KEY_RELEASE:
    case XCB_INPUT_RAW_BUTTON_PRESS:
    case XCB_INPUT_RAW_BUTTON_RELEASE:
    case XCB_INPUT_RAW_MOTION:
        break;
    default:
        return false;
    }
    const auto* event = static_cast<const xcb_input_raw_key_press_event_t*>(raw);
    const Seen seen{generic->event_type, event->detail, event->time};
    if (holds_.empty()) {
        // Kept until Qt has routed it, or the next hold begins.
        if (seen.time <= routed_) return false;
        if (seen_.size() >= mostSeen) seen_.erase(seen_.begin());
        seen_.push_back(seen);
        return false;
    }
    noteRawInput(seen);
    return false;
}

void InputHold::catchUpRawInput() {
    if (!rawWatched_) return;
    x11_->dispatch();
    for (const Seen& each : std::exchange(seen_, {}))
        if (!holds_.empty() && each.time > routed_) noteRawInput(each);
}

void InputHold::noteRawInput(const Seen& seen) {
    const bool press = seen.type == XCB_INPUT_RAW_KEY_PRESS || seen.type == XCB_INPUT_RAW_BUTTON_PRESS;
    if (seen.type == XCB_INPUT_RAW_KEY_PRESS && QGuiApplication::focusWindow() != nullptr) {
        if (keySymbols_ == nullptr) keySymbols_ = xcb_key_symbols_alloc(x11_->xcb());
        const xcb_keysym_t symbol = xcb_key_symbols_get_keysym(static_cast<xcb_key_symbols_t*>(keySymbols_),
                                                               static_cast<xcb_keycode_t>(seen.detail), 0);
        if (symbol == XKB_KEY_Escape) {
            // The key is ours (the keyboard is in one of our windows): once Qt reads it, it goes
            // no further.
            spent_.push_back({seen.time, seen.detail, false});
            if (spent_.size() > 16) spent_.erase(spent_.begin());
            giveUp(Reason::escape, seen.time);
            return;
        }
    }
    noteInput(press, seen.type == XCB_INPUT_RAW_MOTION, seen.time);
}

void InputHold::release(std::uint64_t id) {
    drop(id);
}

void InputHold::drop(std::uint64_t id) {
    const auto found =
        std::find_if(holds_.begin(), holds_.end(), [id](const Hold& each) { return each.id == id; });
    if (found == holds_.end()) return;
    disconnect(found->gone);
    holds_.erase(found);
    if (holds_.empty()) ended();
}

void InputHold::awaitBound() {
    // The clock is asked again at least every quarter second, not trusted to one long timer: a
    // test's clock moves on by itself. A bound passed already, or a hold that goes with the ones
    // given up before it, is met at the next turn, never in the caller's.
    const auto left = joining_ ? std::chrono::milliseconds(0)
                               : std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - now_());
    boundTimer_->start(std::clamp(left, std::chrono::milliseconds(0), std::chrono::milliseconds(250)));
}

void InputHold::expire() {
    // Input waits, or may: behind a hold asked as held input went on (some of it may not have
    // reached Qt's hands yet), or anywhere without raw input to tell.
    if (waiting_ > 0 || joinedRun_ || !rawWatched_)
        giveUp(Reason::bound, heldUntil_);
    else
        expired_ = true;
}

void InputHold::giveUp(Reason reason, unsigned long until) {
    if (holds_.empty()) return;
    const std::vector<Hold> holds = std::exchange(holds_, {});
    for (const Hold& each : holds)
        disconnect(each.gone);
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
    case Reason::joined:
        Log::app().log("A read for a window asked while another waited was given up with it");
        break;
    }
    // A read asked by the input that waited goes the same way; a joined one keeps what it joined.
    if (reason != Reason::joined)
        givenUp_ = GivenUp{reason, std::max({until, routed_, givenUp_ ? givenUp_->until : 0ul})};
    ended();
    for (const Hold& each : holds)
        if (each.giveUp) each.giveUp(reason);
}

void InputHold::ended() {
    boundTimer_->stop();
    joining_.reset();
    expired_ = false;
    watchRawInput();
    // The loops end as soon as they get control back (and what Qt deferred goes on in the loop
    // below); a hold begun before that waits in a new one.
    for (QEventLoop* loop : std::exchange(loops_, {}))
        loop->quit();
}

} // namespace quorvane
