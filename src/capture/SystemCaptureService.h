#pragma once

// The capture service of an X11 desktop: RandR monitors, the window manager's windows, and
// screenshots read from the X server through its own connection.

#include "capture/CaptureService.h"

#include <QElapsedTimer>
#include <QRegion>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>

namespace quorvane {

class X11CaptureConnection;
class X11DamageWatch;
class X11ScreenExclusion;
class X11ScreenGrabber;
class X11WindowContents;

class SystemCaptureService final : public CaptureService {
public:
    // Connects to $DISPLAY now (again later if that fails or breaks). Nothing is redirected off
    // screen but a covered window while it is captured.
    SystemCaptureService();
    ~SystemCaptureService() override;

    QImage applicationIcon(const CaptureWindow& window, int side) override;

protected:
    void loadTargets(Completion<ShareableContent> done) override;
    void takeImage(const ContentFilter& filter, const CaptureConfiguration& configuration,
                   Completion<QImage> done) override;

private:
    // A capture waiting for applications to paint what it exposed.
    struct Pending {
        ContentFilter filter;
        CaptureConfiguration configuration;
        Completion<QImage> done;
        // Window captures: the window's whole content.
        std::unique_ptr<X11WindowContents> contents;
        // Display captures: own windows taken out, and the painting of what they leave uncovered.
        std::unique_ptr<X11DamageWatch> repaint;
        std::unique_ptr<X11ScreenExclusion> exclusion;
        QRegion exposed;
        // The display's area, once known.
        std::optional<QRect> area;
        QElapsedTimer waiting;

        bool ready();
    };

    bool connect();
    static double scaleOf(const ContentFilter& filter);
    Result<QRect, Error> displayArea(const ContentFilter& filter, const CaptureConfiguration& configuration);
    bool leaveOutOwnWindows(Pending& pending);
    // False when no window of this process can be over `area`, known without the server.
    static bool ownWindowsMayCover(const ContentFilter& filter, const QRect& area);
    Result<QImage, Error> capture(const ContentFilter& filter, const CaptureConfiguration& configuration,
                                  std::optional<QRect> knownArea = std::nullopt);
    void finishPending();

    std::unique_ptr<X11CaptureConnection> connection_;
    std::unique_ptr<X11ScreenGrabber> grabber_;
    std::optional<Pending> pending_;
    QTimer paintWait_;
    // Application icons by process: read once, on first use.
    std::map<ProcessID, QImage> icons_;
};

} // namespace quorvane
