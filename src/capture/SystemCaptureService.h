#pragma once

// The capture service of an X11 desktop: RandR monitors, the window manager's windows, and
// screenshots read from the X server through its own connection.

#include "capture/CaptureService.h"

#include <QTimer>
#include <memory>

namespace quorvane {

class X11CaptureConnection;
class X11ScreenGrabber;

class SystemCaptureService final : public CaptureService {
public:
    // Connects to $DISPLAY now (again later if that fails or breaks) and from then on keeps the
    // content of covered windows available for window captures.
    SystemCaptureService();
    ~SystemCaptureService() override;

protected:
    void loadTargets(Completion<ShareableContent> done) override;
    void takeImage(const ContentFilter& filter, const CaptureConfiguration& configuration,
                   Completion<QImage> done) override;

private:
    bool connect();
    Result<QImage, Error> capture(const ContentFilter& filter, const CaptureConfiguration& configuration);

    std::unique_ptr<X11CaptureConnection> connection_;
    std::unique_ptr<X11ScreenGrabber> grabber_;
    // Lets go of the grab buffer once captures stop coming.
    QTimer trim_;
};

} // namespace quorvane
