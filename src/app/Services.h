#pragma once

// Everything of the program that touches the system, made once by the composition root and
// handed to whoever needs it by reference. Nothing else makes these, and nothing reaches them
// through a static accessor.

#include <memory>

namespace quorvane {

class AccessibilityOptions;
class Announcer;
class AreaSelectionOverlay;
class Beeper;
class CaptureService;
class Clipboard;
class DesktopAccessibility;
class HotKeyGrabber;
class InputHold;
class KeyboardLayout;
class LogSink;
class LoginItemService;
class LogStore;
class Preferences;
class SettingsStore;
class TextRecognizer;
class X11DropTarget;
class XdndFilter;

class Services {
public:
    // The system-bound parts; every one is required.
    struct Parts {
        std::unique_ptr<LogStore> logStore;
        std::unique_ptr<SettingsStore> settings;
        std::unique_ptr<KeyboardLayout> keyboardLayout;
        std::unique_ptr<HotKeyGrabber> hotKeyGrabber;
        std::unique_ptr<CaptureService> captureService;
        std::unique_ptr<Clipboard> clipboard;
        std::unique_ptr<Beeper> beeper;
        std::unique_ptr<TextRecognizer> textRecognizer;
        std::unique_ptr<LoginItemService> loginItem;
        // The desktop's Reduce Motion and Increase Contrast, which the accessibility options follow.
        std::unique_ptr<DesktopAccessibility> desktopAccessibility;
        // Keeps other programs' drag messages away from Qt, for as long as the program runs.
        std::unique_ptr<XdndFilter> xdndFilter;
        // Takes other programs' drags over our windows.
        std::unique_ptr<X11DropTarget> dropTarget;
        // Keeps a window's input waiting while another program's clipboard or drop is read for it.
        std::unique_ptr<InputHold> inputHold;
    };

    // Installs the log store as the log's sink first, so that whatever the rest logs is kept;
    // builds the preferences on the settings store.
    explicit Services(Parts parts);
    // Gives the log back to the sink it had before.
    ~Services();
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    LogStore& logStore() const { return *parts_.logStore; }
    SettingsStore& settings() const { return *parts_.settings; }
    Preferences& preferences() const { return *preferences_; }
    KeyboardLayout& keyboardLayout() const { return *parts_.keyboardLayout; }
    HotKeyGrabber& hotKeyGrabber() const { return *parts_.hotKeyGrabber; }
    CaptureService& captureService() const { return *parts_.captureService; }
    Clipboard& clipboard() const { return *parts_.clipboard; }
    Beeper& beeper() const { return *parts_.beeper; }
    InputHold& inputHold() const { return *parts_.inputHold; }
    // The one recognizer: its engines are loaded once and kept.
    TextRecognizer& textRecognizer() const { return *parts_.textRecognizer; }
    // The desktop's record that starts the program at login.
    LoginItemService& loginItem() const { return *parts_.loginItem; }
    X11DropTarget& dropTarget() const { return *parts_.dropTarget; }
    AccessibilityOptions& accessibilityOptions() const { return *accessibilityOptions_; }
    Announcer& announcer() const { return *announcer_; }
    // The one area picker: it grabs the pointer and keyboard, so there is only ever one.
    AreaSelectionOverlay& areaPicker() const { return *areaPicker_; }

private:
    Parts parts_;
    LogSink* previousSink_ = nullptr;
    std::unique_ptr<Preferences> preferences_;
    std::unique_ptr<AccessibilityOptions> accessibilityOptions_;
    std::unique_ptr<Announcer> announcer_;
    std::unique_ptr<AreaSelectionOverlay> areaPicker_;
};

} // namespace quorvane
