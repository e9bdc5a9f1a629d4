#pragma once

// The capture service of an X11 desktop: RandR monitors, the window manager's windows, and
// screenshots read from the X server through its own connection.

#include "capture/CaptureService.h"
#include "capture/CompositorFades.h"

#include <QObject>
#include <QRegion>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace quorvane {

class X11CaptureConnection;
class X11DamageWatch;
class X11KeptWindows;
class X11ScreenExclusion;
class X11ScreenGrabber;
class X11WindowContents;

class SystemCaptureService final : public CaptureService {
public:
    // Connects to $DISPLAY now (again later if that fails or breaks). Nothing is redirected off
    // screen but a covered window while it is captured, and, without a compositing manager, the
    // other applications' windows under this program's windows while those are shown.
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
        // Display captures: own windows taken out, and the painting of what they leave uncovered:
        // on the screen (root coordinates), and in kept windows (their own coordinates).
        std::unique_ptr<X11DamageWatch> repaint;
        std::unique_ptr<X11ScreenExclusion> exclusion;
        QRegion exposed;
        std::vector<std::pair<std::uint32_t, QRegion>> exposedKept;
        X11KeptWindows* kept = nullptr;
        // The display's area, once known.
        std::optional<QRect> area;
        // Own windows left in the picture: under a compositing manager, where the screen must
        // show what they painted for it (root coordinates) before it is read.
        std::unique_ptr<X11DamageWatch> keptPaint;
        QRegion keptArea;
        // Own windows are taken out once the compositing manager has painted them back after
        // the capture before (see `restoring_`).
        bool awaitsRestore = false;
        // The compositing manager that takes own windows away (its selection owner), and how
        // it fades them.
        bool compositing = false;
        std::uint64_t manager = 0;
        CompositorFades* fades = nullptr;

        bool ready();
        bool ownWindowsShown();
        bool uncoveredPainted();
        void forgetConnection();
    };

    Result<void, Error> connect();
    static double scaleOf(const ContentFilter& filter);
    Result<QRect, Error> displayArea(const ContentFilter& filter, const CaptureConfiguration& configuration);
    // Own windows a display capture shows are read as they look now: what they have yet to
    // paint (a toast that has just gone) is painted first.
    void paintOwnWindowsShown(Pending& pending);
    // Whether the compositing manager that took own windows away is still the one that runs:
    // else they are taken out anew, the way the screen now needs.
    bool sameCompositingManager(Pending& pending);
    Result<void, Error> leaveOutOwnWindows(Pending& pending);
    void beginLeavingOut(Pending& pending);
    // Whether the compositing manager has painted back what the last capture put back, or no
    // longer needs to.
    bool restored();
    Result<QImage, Error> capture(const ContentFilter& filter, const CaptureConfiguration& configuration,
                                  std::optional<QRect> knownArea = std::nullopt);
    void finishPending();
    void checkPending();
    // Keeps whole what lies under this program's windows that are shown now, and under
    // `showing`, a window about to be shown.
    void keepWhatOwnWindowsCover(const QWidget* showing = nullptr);

    // Tells when this program's windows are shown, moved, resized or hidden.
    class OwnWindows : public QObject {
    public:
        explicit OwnWindows(SystemCaptureService& service) : service_(service) {}

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override;

    private:
        SystemCaptureService& service_;
    };

    std::unique_ptr<X11CaptureConnection> connection_;
    std::unique_ptr<X11ScreenGrabber> grabber_;
    std::unique_ptr<X11KeptWindows> kept_;
    std::optional<Pending> pending_;
    // Wakes a waiting capture when the server reports painting; the deadline ends the wait.
    std::unique_ptr<QSocketNotifier> serverSays_;
    QTimer paintDeadline_;
    QTimer paintPoll_;
    QTimer keepRefresh_;
    // Under a compositing manager, where the last capture put own windows back, until it has
    // painted them there: before that, its painting of the places a new capture empties may
    // still show them.
    std::unique_ptr<X11DamageWatch> restoring_;
    QRegion restoredArea_;
    QTimer restoreLimit_;
    QTimer restoreWait_;
    CompositorFades fades_;
    std::unique_ptr<OwnWindows> ownWindows_;
    // Application icons by process: read once, on first use.
    std::map<ProcessID, QImage> icons_;
};

} // namespace quorvane
