#include "platform/X11HotKeyGrabber.h"

#include "platform/QtX11Connection.h"
#include "platform/X11InputConnection.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>
#include <xkbcommon/xkbcommon-keysyms.h>

namespace quorvane {
namespace {

// Every grabber of the process: the server lets one client grab a combination twice, so clashes
// between our own grabbers are caught here.
std::vector<const X11HotKeyGrabber*>& grabbers() {
    static std::vector<const X11HotKeyGrabber*> all;
    return all;
}

std::vector<xcb_window_t> roots(xcb_connection_t* connection) {
    std::vector<xcb_window_t> windows;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem > 0; xcb_screen_next(&it))
        windows.push_back(it.data->root);
    return windows;
}

// Autorepeat while a combination is held must not fire it again. A release that never reached
// us (another client's grab took the keyboard) must not block the key for good, hence the time
// limit.
constexpr std::uint32_t repeatWindowMs = 1000;

// Waits until the server has handled everything sent so far, so that released keys are free for
// other clients when this returns.
void sync(xcb_connection_t* connection) {
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

X11HotKeyGrabber::X11HotKeyGrabber() {
    grabbers().push_back(this);
}

X11HotKeyGrabber::~X11HotKeyGrabber() {
    if (isGrabbing(connection_))
        for (const Grab& grab : grabs_)
            release(connection_, grab);
    removeHandler();
    auto& all = grabbers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

bool X11HotKeyGrabber::installHandler(std::function<void(std::uint32_t id)> onPressed) {
    if (qtX11Connection() == nullptr) return false;
    onPressed_ = std::move(onPressed);
    if (application_ == nullptr) {
        application_ = QCoreApplication::instance();
        application_->installNativeEventFilter(this);
    }
    return true;
}

xcb_connection_t* X11HotKeyGrabber::grabbing() {
    if (qtX11Connection() == nullptr) return nullptr;
    if (!own_) {
        own_ = X11InputConnection::open();
        if (own_) own_->addListener([this](const void* event) { return ownEvent(event); });
    }
    return own_ && !own_->broken() ? own_->xcb() : qtX11Connection();
}

bool X11HotKeyGrabber::isGrabbing(xcb_connection_t* connection) const {
    return connection != nullptr && connection == connection_ &&
           ((own_ && connection == own_->xcb()) || connection == qtX11Connection());
}

void X11HotKeyGrabber::removeHandler() {
    if (isGrabbing(connection_)) sync(connection_);
    if (application_ != nullptr) application_->removeNativeEventFilter(this);
    application_ = nullptr;
    onPressed_ = nullptr;
    modifierBits_.reset();
}

const X11HotKeyGrabber::ModifierBits& X11HotKeyGrabber::modifierBits(xcb_connection_t* connection) {
    if (modifierBits_) return *modifierBits_;
    ModifierBits bits;
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(connection), &xcb_key_symbols_free);
    auto keycodesOf = [&](std::initializer_list<xcb_keysym_t> keysyms) {
        std::vector<xcb_keycode_t> keycodes;
        for (xcb_keysym_t keysym : keysyms) {
            xcb_keycode_t* list = symbols ? xcb_key_symbols_get_keycode(symbols.get(), keysym) : nullptr;
            for (xcb_keycode_t* code = list; code != nullptr && *code != XCB_NO_SYMBOL; ++code)
                keycodes.push_back(*code);
            std::free(list);
        }
        return keycodes;
    };
    const auto altKeys = keycodesOf({XKB_KEY_Alt_L, XKB_KEY_Alt_R});
    const auto superKeys = keycodesOf({XKB_KEY_Super_L, XKB_KEY_Super_R});
    const auto numLockKeys = keycodesOf({XKB_KEY_Num_Lock});

    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> map(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr),
        &std::free);
    if (map) {
        const int perModifier = map->keycodes_per_modifier;
        const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(map.get());
        auto holds = [](const std::vector<xcb_keycode_t>& codes, xcb_keycode_t code) {
            return code != 0 && std::find(codes.begin(), codes.end(), code) != codes.end();
        };
        // Shift, Lock and Control are fixed; the others live somewhere in Mod1 to Mod5.
        for (int modifier = 3; modifier < 8; ++modifier)
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = keycodes[modifier * perModifier + i];
                const auto bit = static_cast<std::uint16_t>(1u << modifier);
                if (bits.alt == 0 && holds(altKeys, code)) bits.alt = bit;
                if (bits.super == 0 && holds(superKeys, code)) bits.super = bit;
                if (bits.numLock == 0 && holds(numLockKeys, code)) bits.numLock = bit;
            }
    }
    modifierBits_ = bits;
    return *modifierBits_;
}

bool X11HotKeyGrabber::heldElsewhere(std::uint8_t keycode, std::uint16_t mask) const {
    for (const X11HotKeyGrabber* other : grabbers())
        for (const Grab& grab : other->grabs_)
            if (grab.keycode == keycode && grab.mask == mask) return true;
    return false;
}

Result<void, HotKeyGrabber::Refusal> X11HotKeyGrabber::grab(std::uint32_t id, std::uint32_t x11Keycode,
                                                            std::uint32_t modifiers) {
    xcb_connection_t* connection = grabbing();
    if (connection == nullptr) return Failure{Refusal{Refusal::Kind::taken, 0}};
    // X keycodes are 8 to 255; 0 would mean "any key".
    if (x11Keycode < 8 || x11Keycode > 255) return Failure{Refusal{Refusal::Kind::invalid, XCB_VALUE}};
    if (connection != connection_) {
        grabs_.clear();
        connection_ = connection;
        modifierBits_.reset();
    }
    ungrab(id);

    const ModifierBits& bits = modifierBits(connection);
    Grab grab;
    grab.id = id;
    grab.keycode = static_cast<std::uint8_t>(x11Keycode);
    grab.relevant =
        static_cast<std::uint16_t>(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | bits.alt | bits.super);
    const std::pair<std::uint32_t, std::uint16_t> wanted[] = {
        {control, XCB_MOD_MASK_CONTROL}, {alt, bits.alt}, {shift, XCB_MOD_MASK_SHIFT}, {super, bits.super}};
    for (const auto& [modifier, bit] : wanted)
        if ((modifiers & modifier) != 0) {
            // A modifier this keyboard does not have cannot be typed.
            if (bit == 0) return Failure{Refusal{Refusal::Kind::invalid, XCB_VALUE}};
            grab.mask |= bit;
        }
    if (heldElsewhere(grab.keycode, grab.mask)) return Failure{Refusal{Refusal::Kind::taken, XCB_ACCESS}};

    grab.variants = {0, XCB_MOD_MASK_LOCK};
    if (bits.numLock != 0) {
        grab.variants.push_back(bits.numLock);
        grab.variants.push_back(static_cast<std::uint16_t>(bits.numLock | XCB_MOD_MASK_LOCK));
    }
    grab.roots = roots(connection);

    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_window_t root : grab.roots)
        for (std::uint16_t variant : grab.variants)
            cookies.push_back(xcb_grab_key_checked(connection, 0, root,
                                                   static_cast<std::uint16_t>(grab.mask | variant),
                                                   grab.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    int errorCode = 0;
    for (xcb_void_cookie_t cookie : cookies)
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            if (errorCode == 0) errorCode = error->error_code;
            std::free(error);
        }
    if (errorCode != 0) {
        // Ungrabbing a variant we never got is harmless: the server only drops our own grabs.
        release(connection, grab);
        xcb_flush(connection);
        return Failure{
            Refusal{errorCode == XCB_VALUE ? Refusal::Kind::invalid : Refusal::Kind::taken, errorCode}};
    }
    grabs_.push_back(std::move(grab));
    return {};
}

void X11HotKeyGrabber::release(xcb_connection_t* connection, const Grab& grab) {
    for (xcb_window_t root : grab.roots)
        for (std::uint16_t variant : grab.variants)
            xcb_ungrab_key(connection, grab.keycode, root, static_cast<std::uint16_t>(grab.mask | variant));
}

void X11HotKeyGrabber::ungrab(std::uint32_t id) {
    const auto it =
        std::find_if(grabs_.begin(), grabs_.end(), [id](const Grab& grab) { return grab.id == id; });
    if (it == grabs_.end()) return;
    if (isGrabbing(connection_)) {
        release(connection_, *it);
        xcb_flush(connection_);
    }
    grabs_.erase(it);
}

bool X11HotKeyGrabber::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    return handleKey(message);
}

bool X11HotKeyGrabber::anyDown() const {
    return std::any_of(grabs_.begin(), grabs_.end(), [](const Grab& grab) { return grab.down; });
}

bool X11HotKeyGrabber::ownEvent(const void* message) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) == XCB_GE_GENERIC) {
        const auto* generic = static_cast<const xcb_ge_generic_event_t*>(message);
        if (generic->extension != own_->xinputOpcode() || generic->event_type != XCB_INPUT_RAW_KEY_RELEASE)
            return false;
        const auto* raw = static_cast<const xcb_input_raw_key_release_event_t*>(message);
        for (Grab& grab : grabs_)
            if (grab.keycode == raw->detail && grab.down) {
                grab.down = false;
                grab.lastRelease = raw->time;
            }
    } else if (handleKey(message)) {
        // A press that fired may have replaced this grabber: touch nothing.
        return true;
    }
    if (releasesWatched_ && !anyDown()) {
        releasesWatched_ = false;
        own_->releaseRawInput();
    }
    return true;
}

bool X11HotKeyGrabber::handleKey(const void* message) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        modifierBits_.reset();
        return false;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    for (Grab& grab : grabs_) {
        if (grab.keycode != key->detail) continue;
        // The release goes wherever the keyboard is grabbed by then: to the area picker's window,
        // a menu's, any of ours. It counts all the same, or the next press is taken for a repeat.
        if (type == XCB_KEY_RELEASE) {
            grab.down = false;
            grab.lastRelease = key->time;
            continue;
        }
        // While one of our windows holds the keyboard (a popup, a menu, the area picker) the server
        // activates no passive grab and gives it the key instead: ours all the same. Only a key
        // another client sent to a window of ours (synthetic) is no press.
        const bool toRoot = std::find(grab.roots.begin(), grab.roots.end(), key->event) != grab.roots.end();
        const bool synthetic = (event->response_type & 0x80) != 0;
        if ((!toRoot && synthetic) || (key->state & grab.relevant) != grab.mask) continue;
        // Without detectable autorepeat a repeat is a release and a press at the same moment.
        const bool repeat = (grab.down && key->time - grab.lastPress < repeatWindowMs) ||
                            (!grab.down && key->time == grab.lastRelease && key->time != 0);
        grab.down = true;
        grab.lastPress = key->time;
        if (own_ && toRoot && connection_ == own_->xcb()) {
            // The press started our grab of the keyboard: let go at once, so that what the key
            // opens (the area picker) can take it, and hear the release however it goes.
            if (!releasesWatched_ && own_->hasXInput2()) {
                releasesWatched_ = true;
                own_->retainRawInput();
            }
            xcb_ungrab_keyboard(own_->xcb(), key->time);
            xcb_flush(own_->xcb());
        }
        if (!repeat && onPressed_) {
            // The handler may replace every grab, or this grabber: touch nothing afterwards.
            const auto onPressed = onPressed_;
            onPressed(grab.id);
        }
        return true;
    }
    return false;
}

} // namespace quorvane
