#pragma once

// The program's only door to the screen: what can be captured, the one configuration every
// still capture uses, and single screenshots. The capture controller and the scrolling capture
// hold a CaptureService&, so that tests can hand them a fake; SystemCaptureService is the real
// one (X11).
//
// All geometry is in points in the root window's space (top-left origin, y down); a display's
// scale is its pixels per point.

#include "capture/CaptureFailure.h"
#include "core/Error.h"
#include "core/Result.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QScreen;

namespace quorvane {

using DisplayID = std::uint32_t;
using WindowID = std::uint32_t;
using ProcessID = std::int64_t;

struct CaptureDisplay {
    // Stable while the display exists (the X monitor's name atom).
    DisplayID displayID = 0;
    // The monitor's name, e.g. "DP-1"; also the name of its QScreen.
    QString name;
    QRectF frame;
    double scale = 1;
    // The display's size in pixels as the X server reports it.
    int pixelWidth = 0;
    int pixelHeight = 0;

    bool operator==(const CaptureDisplay& other) const;
};

struct CaptureApplication {
    // 0 when the window names its program but no process.
    ProcessID processID = 0;
    QString applicationName;

    bool operator==(const CaptureApplication&) const = default;
};

struct CaptureWindow {
    // The X window that holds the application's content (not the window manager's frame).
    WindowID windowID = 0;
    QRectF frame{};
    // Pixels per point of the display the window lies on.
    double scale = 1;
    QString title{};
    // None for windows that name neither a process nor a program.
    std::optional<CaptureApplication> owningApplication{};
    // 0 for ordinary application windows; below 0 the desktop, above 0 docks and panels.
    int layer = 0;

    bool operator==(const CaptureWindow& other) const;
};

// Everything that can be captured at one moment. Only windows on screen are listed.
struct ShareableContent {
    std::vector<CaptureDisplay> displays;
    // Front to back.
    std::vector<CaptureWindow> windows;
    std::vector<CaptureApplication> applications;
    // The primary display, else the one at the root origin, else the first.
    DisplayID mainDisplayID = 0;

    const CaptureDisplay* display(DisplayID id) const;
    const CaptureDisplay* mainDisplay() const;
};

// What one screenshot shows: a whole display without some applications' windows, or one window
// on its own.
struct ContentFilter {
    enum class Kind { display, window };

    Kind kind = Kind::display;
    CaptureDisplay display;
    CaptureWindow window;
    // Display filters: windows of these processes are left out…
    std::vector<ProcessID> excludedProcessIDs;
    // …except these.
    std::vector<WindowID> exceptedWindowIDs;

    static ContentFilter forDisplay(const CaptureDisplay& display,
                                    std::vector<ProcessID> excludingApplications = {},
                                    std::vector<WindowID> exceptingWindows = {});
    // The window's own content, wherever it lies and whatever covers it.
    static ContentFilter forWindow(const CaptureWindow& window);

    // The content's size in points, at the origin.
    QRectF contentRect() const;
    double pointPixelScale() const;
};

struct CaptureConfiguration {
    // Size of the delivered image in pixels; the content is scaled when it differs.
    int width = 0;
    int height = 0;
    bool showsCursor = false;
    bool ignoresShadowsSingleWindow = true;
    // False keeps the alpha of windows that have one (transparent corners).
    bool shouldBeOpaque = false;
    // Part of the content to capture, in points from the content's top left; none = all of it.
    std::optional<QRectF> sourceRect;

    bool operator==(const CaptureConfiguration& other) const;
};

class CaptureService {
public:
    template<class T>
    using Completion = std::function<void(Result<T, Error>)>;

    // Errors of the screen service itself; the capture controller passes them through.
    static constexpr const char* errorDomain = "Quorvane.CaptureService";
    enum ErrorCode {
        // The user refused screen capture. X11 has no such refusal; fakes use it.
        userDeclined = -3801,
        connectionFailed = 1,
        displayUnavailable = 2,
        windowUnavailable = 3,
        grabFailed = 4,
        allocationFailed = 5,
        unsupportedFormat = 6,
    };
    static Error error(ErrorCode code, const QString& message);

    CaptureService() = default;
    CaptureService(const CaptureService&) = delete;
    CaptureService& operator=(const CaptureService&) = delete;
    virtual ~CaptureService() = default;

    // Both capture calls deliver their result exactly once, on the GUI thread, on a later turn
    // of the event loop (never inside the call). Images are MappedBitmap RGBA8888_Premultiplied.

    // Displays, on-screen windows and their applications, as they are now.
    void targets(Completion<ShareableContent> done);
    // The filter's whole content at its native pixel size: configuration(content × scale).
    // Fails with CaptureFailure::invalidDimensions above 32,000,000 pixels.
    void image(const ContentFilter& filter, Completion<QImage> done);
    void image(const ContentFilter& filter, const CaptureConfiguration& configuration,
               Completion<QImage> done);

    // The configuration of every still capture: width and height rounded up, no cursor, no
    // shadow, not forced opaque. Fails with CaptureFailure::invalidDimensions unless both are
    // finite, each is in 1…32,000,000 and their product is at most 32,000,000 (unrounded).
    static Result<CaptureConfiguration, Error> configuration(double width, double height);

    // The icon the application of `window` shows for itself, at least `side` pixels wide where it
    // has one that large; null when it has none. Cheap to ask again: kept per process.
    virtual QImage applicationIcon(const CaptureWindow& window, int side) {
        (void)window;
        (void)side;
        return {};
    }

    // Screen capture access. X11 has no such permission: the system service always grants it.
    virtual bool preflightAccess() const { return true; }
    virtual bool requestAccess() { return true; }

protected:
    // May call `done` at once; the public calls defer it.
    virtual void loadTargets(Completion<ShareableContent> done) = 0;
    // `configuration` has passed configuration()'s checks.
    virtual void takeImage(const ContentFilter& filter, const CaptureConfiguration& configuration,
                           Completion<QImage> done) = 0;
};

// The QScreen that shows `display` (same name, else same geometry); null when none does.
QScreen* screenForDisplay(const CaptureDisplay& display);

} // namespace quorvane
