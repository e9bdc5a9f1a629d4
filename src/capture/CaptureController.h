#pragma once

// Owns screen capture and the open document. One capture runs at a time through run(): it takes
// the one-shot delay and note, reports progress and the outcome through statusMessage,
// errorMessage and errorIsRetryable, writes the capture log, and hands the image to text
// recognition or makes it the document. Every image that becomes the document (captured, opened,
// reopened, stitched) passes through one replacement rule that keeps unexported work as the
// previous document. GUI thread only.

#include "capture/AreaCaptures.h"
#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureCountdown.h"
#include "capture/CaptureDelay.h"
#include "capture/CaptureService.h"
#include "capture/CaptureTask.h"
#include "capture/DocumentHandover.h"
#include "capture/DocumentOpening.h"
#include "capture/ScreenCaptures.h"
#include "capture/WindowList.h"
#include "core/Error.h"
#include "core/Result.h"
#include "document/EditorDocument.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class CaptureController : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<CaptureWindow> windows READ windows NOTIFY windowsChanged)
    Q_PROPERTY(EditorDocument* document READ document NOTIFY documentChanged)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY busyChanged)
    Q_PROPERTY(bool isCountingDown READ isCountingDown NOTIFY countingDownChanged)
    Q_PROPERTY(bool permissionGranted READ permissionGranted WRITE setPermissionGranted NOTIFY
                   permissionGrantedChanged)
    Q_PROPERTY(QString errorMessage READ errorText NOTIFY errorMessageChanged)
    Q_PROPERTY(
        bool errorIsRetryable READ errorIsRetryable WRITE setErrorIsRetryable NOTIFY errorIsRetryableChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(quint32 selectedWindowID READ selectedWindowID WRITE setSelectedWindowID NOTIFY
                   selectedWindowIDChanged)
    Q_PROPERTY(
        bool isChoosingWindow READ isChoosingWindow WRITE setChoosingWindow NOTIFY choosingWindowChanged)
    Q_PROPERTY(std::optional<QRectF> lastCaptureFrame READ lastCaptureFrame NOTIFY lastCaptureFrameChanged)
    Q_PROPERTY(int captureDelay READ captureDelay WRITE setCaptureDelay NOTIFY captureDelayChanged)
    Q_PROPERTY(bool canRepeatArea READ canRepeatArea NOTIFY canRepeatAreaChanged)
    Q_PROPERTY(EditorDocument* previousDocument READ previousDocument NOTIFY previousDocumentChanged)

public:
    // What a capture operation answers: an image, or none when it handed its result elsewhere.
    using Outcome = std::optional<QImage>;
    // A capture operation: runs inside `task` and ends it through `done` or through the task.
    using Operation = std::function<void(CaptureTask& task, std::function<void(Outcome)> done)>;

    static constexpr const char* errorDomain = "Quorvane.Capture";
    static constexpr const char* initialStatus =
        "Capture a display or choose a window. Images stay in memory.";
    static constexpr const char* cancelledStatus = "Capture cancelled. Previous image retained.";
    static constexpr const char* failedStatus = "Capture unavailable. Previous image retained.";

    // The service and the picker outlive the controller.
    CaptureController(CaptureService& service, AreaSelectionOverlay& overlay, QObject* parent = nullptr);
    // Ends a running capture and an open picker as cancelled.
    ~CaptureController() override;

    // ---- Published fields
    const std::vector<CaptureWindow>& windows() const { return windows_; }
    EditorDocument* document() const { return handover_.document(); }
    EditorDocument* previousDocument() const { return handover_.previousDocument(); }
    bool isBusy() const { return isBusy_; }
    bool isCountingDown() const { return isCountingDown_; }
    bool permissionGranted() const { return permissionGranted_; }
    void setPermissionGranted(bool granted);
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    QString errorText() const { return errorMessage_.value_or(QString()); }
    // None also clears errorIsRetryable, before either change is announced.
    void setErrorMessage(const std::optional<QString>& message);
    bool errorIsRetryable() const { return errorIsRetryable_; }
    void setErrorIsRetryable(bool retryable);
    const QString& statusMessage() const { return statusMessage_; }
    WindowID selectedWindowID() const { return selectedWindowID_; }
    void setSelectedWindowID(WindowID id);
    bool isChoosingWindow() const { return isChoosingWindow_; }
    void setChoosingWindow(bool choosing);
    // The screen rectangle of the last area capture, in global points with the top-left origin
    // like every other rectangle here (the pins place themselves with it in the same terms).
    const std::optional<QRectF>& lastCaptureFrame() const { return lastCaptureFrame_; }
    int captureDelay() const { return captureDelay_; }
    void setCaptureDelay(int seconds);
    bool canRepeatArea() const { return areas_.canRepeat(); }

    // For the next capture only (set by links).
    std::optional<int> oneShotDelay;
    std::optional<QString> oneShotNote;

    // ---- Callbacks the shell sets
    std::function<void()> onCaptured = [] {};
    std::function<void()> onReopened = [] {};
    std::function<void()> onFailed = [] {};
    std::function<void()> willReplaceDocument = [] {};
    std::function<bool(EditorDocument*)> isDirty = [](EditorDocument*) { return false; };
    // Asked only when the open and the previous document both have unexported changes; the
    // shell asks the user without blocking and replies later, exactly once.
    std::function<void(EditorDocument* previous, std::function<void(bool mayDiscard)> reply)>
        mayDiscardPrevious = [](EditorDocument*, std::function<void(bool)> reply) { reply(true); };
    std::function<void(const QImage&)> onOCRImage = [](const QImage&) {};
    std::function<std::vector<WindowID>()> includedWindowIDs = [] { return std::vector<WindowID>{}; };
    // The picked rectangle (global points), the display and its pixels per point.
    std::function<void(const QRectF&, DisplayID, double)> onScrollRegion = [](const QRectF&, DisplayID,
                                                                              double) {};
    std::function<void(const QImage&, double)> onOverlayImage = [](const QImage&, double) {};

    // ---- Seams of the system, replaced in tests
    std::function<QPointF()> pointerPosition;
    std::function<QScreen*(const CaptureDisplay&)> screenFor;
    CaptureDelay::Sleep sleep;
    // A service call that has not answered by then fails with the service's error.
    int serviceTimeoutMs = 10'000;

    // ---- Capture
    void run(const QString& status, bool toOCR, Operation operation);
    void cancel();
    static bool isPermissionError(const Error& error);
    // The picker's window while one is open.
    std::vector<QWidget*> ownedWindows() const;

    void captureDisplay();
    void captureWindow();
    void refreshTargets();
    void captureArea();
    void captureOCRArea();
    void captureAreaAsOverlay();
    void captureScrollingArea();
    void repeatArea();

    // ---- Documents. `done`, when given, learns once whether the image became the document.
    void openImage(const QImage& image, const std::optional<QString>& name,
                   std::function<void(bool opened)> done = {});
    void reopenImage(const QImage& image, std::function<void(bool opened)> done = {});
    void openScrollingCapture(const QImage& image, double pixelScale, bool partial,
                              const std::optional<QString>& reason);
    void restorePreviousDocument();
    void requestPermission();
    // Linux desktops have no privacy pane to open for screen capture.
    void openPrivacySettings() {}

Q_SIGNALS:
    void windowsChanged();
    void documentChanged();
    void busyChanged();
    void countingDownChanged();
    void permissionGrantedChanged();
    void errorMessageChanged();
    void errorIsRetryableChanged();
    void statusMessageChanged();
    void selectedWindowIDChanged();
    void choosingWindowChanged();
    void lastCaptureFrameChanged();
    void captureDelayChanged();
    void canRepeatAreaChanged();
    void previousDocumentChanged();

private:
    // The concerns the controller delegates to; they share its fields and setters.
    friend class AreaCaptures;
    friend class CaptureCountdown;
    friend class DocumentOpening;
    friend class ScreenCaptures;
    friend class WindowList;

    static Error failure(const QString& message);
    // "W × H", the pixel size in the status texts.
    static QString pixelSize(const QImage& image);
    // A service call that has not answered by serviceTimeoutMs fails with the service's error.
    CaptureTask::Wait serviceWait() const;

    void setStatus(const QString& status);
    void setBusy(bool busy);
    void setCountingDown(bool counting);
    void setWindows(std::vector<CaptureWindow> windows);
    void setLastCaptureFrame(const std::optional<QRectF>& frame);

    void setError(const std::optional<QString>& message, bool retryable);
    void finishBody(std::optional<Error> error);
    void handOver(CaptureTask& task, const QImage& image, bool toOCR);
    bool handoverBusy() const { return isBusy_ || handover_.isAsking(); }

    CaptureService& service_;
    AreaSelectionOverlay& overlay_;

    std::vector<CaptureWindow> windows_;
    DocumentHandover handover_;
    bool isBusy_ = false;
    bool isCountingDown_ = false;
    bool permissionGranted_ = true;
    std::optional<QString> errorMessage_;
    bool errorIsRetryable_ = false;
    QString statusMessage_;
    WindowID selectedWindowID_ = 0;
    bool isChoosingWindow_ = false;
    std::optional<QRectF> lastCaptureFrame_;
    int captureDelay_ = 0;

    std::optional<int> activeDelay_;
    std::optional<QString> activeNote_;
    std::shared_ptr<CaptureTask> task_;
    double captureScale_ = 1.0;

    bool destroying_ = false;

    CaptureCountdown countdown_{*this};
    WindowList windowList_{*this};
    ScreenCaptures screens_{*this};
    AreaCaptures areas_{*this};
    DocumentOpening documents_{*this};
};

} // namespace quorvane
