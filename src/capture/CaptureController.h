#pragma once

// Owns screen capture and the open document. One capture runs at a time, read top to bottom in
// CaptureController.cpp: it takes the one-shot delay and note, counts down, lists what can be
// captured, takes the screenshot, lets the user pick an area, and hands the image to text
// recognition or makes it the document; it reports progress and the outcome through
// statusMessage, errorMessage and errorIsRetryable and the signals below, and writes the capture
// log. Every image that becomes the document (captured, opened, reopened, stitched) passes through
// one replacement rule that keeps unexported work as the previous document. A display or window
// capture reads in CaptureController.cpp alone; area captures go on in CaptureControllerAreas.cpp;
// the fields, cancelling and documents opened outside a capture are in
// CaptureControllerDocuments.cpp. GUI thread only.

#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureDelay.h"
#include "capture/CaptureService.h"
#include "capture/DisplayTopology.h"
#include "core/Error.h"
#include "core/Required.h"
#include "core/Result.h"
#include "document/EditorDocument.h"
#include "imaging/CaptureGeometry.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QScreen>
#include <QString>
#include <QTimer>
#include <cstdint>
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
    static constexpr const char* errorDomain = "Quorvane.Capture";
    static constexpr const char* initialStatus =
        "Capture a display or choose a window. Images stay in memory.";
    static constexpr const char* cancelledStatus = "Capture cancelled. Previous image retained.";
    static constexpr const char* failedStatus = "Capture unavailable. Previous image retained.";

    // How a stitched scrolling capture ended.
    enum class Stitching { complete, stoppedEarly };
    Q_ENUM(Stitching)

    // What the shell answers, every one given.
    struct Questions {
        // Ends text being typed in the open document, before it is judged and replaced.
        Required<void()> commitEditing;
        Required<bool(EditorDocument*)> isDirty;
        // Asked only when the open and the previous document both have unexported changes; the
        // shell asks the user without blocking and replies later, exactly once.
        Required<void(EditorDocument* previous, std::function<void(bool mayDiscard)> reply)>
            mayDiscardPrevious;
        // This program's windows that display and area captures show anyway (the editor).
        Required<std::vector<WindowID>()> includedWindowIDs;
    };

    // The service and the picker outlive the controller.
    CaptureController(CaptureService& service, AreaSelectionOverlay& overlay, Questions questions,
                      QObject* parent = nullptr);
    // Ends a running capture and an open picker as cancelled.
    ~CaptureController() override;

    // ---- Published fields
    const std::vector<CaptureWindow>& windows() const { return windows_; }
    EditorDocument* document() const { return document_; }
    EditorDocument* previousDocument() const { return previousDocument_; }
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
    bool canRepeatArea() const { return lastArea_.has_value(); }

    // The seconds a capture waits: a one-shot delay wins whenever one is set (0 to 10, anything
    // else is none); otherwise the standing delay, which the home view offers as 0, 3 or 5 only.
    static int delaySeconds(std::optional<int> oneShot, int standing);

    // For the next capture only (set by links).
    std::optional<int> oneShotDelay;
    std::optional<QString> oneShotNote;

    // ---- Questions the shell answers (see Questions)
    Required<void()> commitEditing;
    Required<bool(EditorDocument*)> isDirty;
    Required<void(EditorDocument* previous, std::function<void(bool mayDiscard)> reply)> mayDiscardPrevious;
    Required<std::vector<WindowID>()> includedWindowIDs;

    // ---- Seams of the system, with the real ones by default, replaced in tests
    std::function<QPointF()> pointerPosition;
    std::function<QScreen*(const CaptureDisplay&)> screenFor;
    CaptureDelay::Sleep sleep;
    // Runs a capture's hand-over once the person's input that waits (behind a paste) has gone on,
    // so that keys typed before the capture act on the picture they were typed for; at once if
    // none is set.
    std::function<void(std::function<void()>)> afterHeldInput;
    // A service call that has not answered by then fails with the service's error.
    int serviceTimeoutMs = 10'000;

    // ---- Capture. Each starts on a later turn, and not at all while another capture runs or the
    // user is asked about the previous document (a pending one-shot delay and note are dropped).
    void captureDisplay();
    void captureWindow();
    void refreshTargets();
    // An area for the document, saved for Repeat Area.
    void captureArea();
    void captureOCRArea();
    // Nothing without a document to add the area to.
    void captureAreaAsOverlay();
    void captureScrollingArea();
    // Nothing at all without a saved area.
    void repeatArea();
    void cancel();
    static bool isPermissionError(const Error& error);
    // The picker's window while one is open.
    std::vector<QWidget*> ownedWindows() const;

    // ---- Documents. `done`, when given, learns once whether the image became the document.
    void openImage(const QImage& image, const std::optional<QString>& name,
                   std::function<void(bool opened)> done = {});
    // Keeps the error on show and drops the name.
    void reopenImage(const QImage& image, std::function<void(bool opened)> done = {});
    void openScrollingCapture(const QImage& image, double pixelScale, Stitching stitching,
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

    // ---- Outcomes, while the capture is still busy
    // A display, window or area capture became the document.
    void captured();
    // A capture failed (a cancelled one did not).
    void failed();
    // The area picked for text recognition.
    void ocrImageCaptured(const QImage& image);
    // The area to add to the open image, and the pixels per point of its display.
    void overlayImageCaptured(const QImage& image, double pixelScale);
    // The area a scrolling capture will scroll: global points, its display and pixels per point.
    void scrollRegionPicked(const QRectF& region, DisplayID display, double pixelScale);
    // ---- Outcomes of the documents
    // An opened, reopened or stitched image became the document.
    void reopened();

private:
    // What one capture knows while it runs: what it was asked to take (read when it was asked, not
    // when its step runs), what its steps have found so far, and the one answer it waits for. It
    // lives from the start of a capture to its end, so that an answer arriving after the end finds
    // it gone.
    struct Session {
        enum class Kind {
            // Only the listing: the window picker's windows, the editor's Retry.
            refreshTargets,
            display,
            window,
            // The areas dragged over a frozen image of one display, by what becomes of them.
            area,
            recognitionArea,
            overlayArea,
            scrollingArea,
            repeatArea,
        };
        // What the capture waits for; a cancellation ends each in its own way.
        enum class Waiting { nothing, turn, countdown, listing, screenshot, picker, question };

        // An area Repeat Area takes again, with the displays as they were when it was picked.
        struct Area {
            QRectF rect;
            DisplayID displayID = 0;
            DisplayTopology topology;
        };

        Kind kind = Kind::display;
        std::optional<int> oneShotDelay;
        std::optional<QString> note;
        QPointF pointer;
        WindowID chosenWindow = 0;
        // The saved area of a repeat; the picked one of an area capture.
        Area area;

        int secondsLeft = 0;
        std::function<void()> stopSleep;
        // The display being captured, its screen and its pixels per point.
        QPointer<QScreen> screen;
        CaptureGeometry geometry;
        double scale = 1.0;
        // The whole display as the user saw it while picking (or as a repeat took it).
        QImage frozen;
        AreaSelectionOverlay::SelectionID selection = 0;
        // Set when a cancelled capture takes its image back from a replacement still deciding.
        std::shared_ptr<bool> withdrawn = std::make_shared<bool>(false);
        QString capturedSize;

        Waiting waiting = Waiting::nothing;
        // Numbers the waits, so that only the answer to the pending one counts.
        std::uint64_t waitID = 0;
        QTimer timeout;
        bool cancelled = false;
        bool ended = false;
    };

    using Kind = Session::Kind;
    using Waiting = Session::Waiting;
    template<class T>
    using Step = void (CaptureController::*)(T);

    static Error failure(const QString& message);
    // "W × H", the pixel size in the status texts.
    static QString pixelSize(const QImage& image);

    void setStatus(const QString& status);
    void setBusy(bool busy);
    void setCountingDown(bool counting);
    void setWindows(std::vector<CaptureWindow> windows);
    void setLastCaptureFrame(const std::optional<QRectF>& frame);
    void setLastArea(std::optional<Session::Area> area);
    void setError(const std::optional<QString>& message, bool retryable);
    template<class T>
    void update(T& field, T value, void (CaptureController::*changed)());
    bool busyOrAsking() const { return isBusy_ || asking_; }

    // ---- The steps of a capture, in the order they run (CaptureController.cpp)
    void start(Kind kind, const QString& status);
    void begin();
    void countDown();
    void secondPassed();
    void listTargets(Step<ShareableContent> next);
    void targetsListed(ShareableContent content);
    void takeScreenshot(const ContentFilter& filter);
    void screenshotTaken(QImage image);
    void handOver(const QImage& image);
    // The picture becomes the document (or goes to text recognition).
    void adoptCapture(const QImage& image);
    void documentReplaced(std::optional<bool> kept);
    void endCapture();
    void failCapture(const Error& error);
    void release();
    // Ends the running capture as cancelled; a pending wait ends at once (CaptureControllerDocuments.cpp).
    void cancelSession();

    // ---- The steps only area captures take (CaptureControllerAreas.cpp)
    // The display to pick on, or for Repeat Area the saved one, and its screenshot.
    void areaTargetsListed(const ShareableContent& content);
    void areaPicked(QRectF rect);
    void displaysListedAgain(ShareableContent content);

    // ---- What the steps share
    // The listing every capture makes refreshes the offered windows and proves capture allowed.
    void offerWindows(const ShareableContent& content);
    // The display without this program's windows, except those the shell names.
    ContentFilter displayFilter(const CaptureDisplay& display, const ShareableContent& content) const;
    // False, after forgetting the saved area and failing the capture, when the displays changed
    // (CaptureControllerAreas.cpp).
    bool displaysUnchanged(const DisplayTopology& saved, const ShareableContent& current);

    // ---- Waiting for an answer (CaptureController.cpp). The answer, the capture's cancellation
    // and a service's timeout each end the wait; whichever comes first counts and the others are
    // dropped. An error answer fails the capture; a value resumes it at `step`.
    template<class T>
    std::function<void(Result<T, Error>)> resumeWith(Step<T> step, Waiting waiting);
    std::function<void()> resumeAfter(void (CaptureController::*step)(), Waiting waiting);
    // Starts the wait; none, after ending the capture, when it was cancelled meanwhile.
    std::optional<std::uint64_t> beginWait(Waiting waiting);
    // Whether `id` is the pending wait of `session`; the wait is over afterwards.
    static bool endWait(Session& session, std::uint64_t id);
    void serviceTimedOut();
    // Ends a capture cancelled while no wait was pending; false then.
    bool stillRunning();

    // ---- Documents (CaptureController.cpp). The one rule every new document passes: a
    // replaced document with unexported changes is kept as the previous document; when the
    // previous one has unexported changes too, the user is asked, and a refusal keeps both. A
    // dropped document is released on a later turn, since a pane, a text edit or a drag may still
    // be using it. One question at a time: replacements that arrive while one is out wait for its
    // answer.
    // Whether the old document was kept as the previous one; none when the user refused.
    using Replaced = std::function<void(std::optional<bool> kept)>;
    // `done` learns the outcome once, unless `withdrawn` is set first (then never); a refusal
    // also says why nothing opened.
    void replaceDocument(const QImage& image, const std::optional<QString>& name, double pixelScale,
                         Replaced done, std::shared_ptr<bool> withdrawn = {});
    void decideReplacement(const QImage& image, const std::optional<QString>& name, double pixelScale,
                           Replaced done, std::shared_ptr<bool> withdrawn);
    void askAboutPrevious(const QImage& image, const std::optional<QString>& name, double pixelScale,
                          Replaced done, std::shared_ptr<bool> withdrawn);
    // What becomes of the open document when a new one is installed.
    enum class Current { dropped, keptAsPrevious };
    void installDocument(const QImage& image, const std::optional<QString>& name, double pixelScale,
                         Current current, const Replaced& done);
    // Announces both changes after both fields hold their new values; the document last.
    void setDocuments(EditorDocument* document, EditorDocument* previous);
    // Appended to a success status when the replaced document was kept as the previous one.
    static QString keptSentence(bool kept);
    // The rest of this section is in CaptureControllerDocuments.cpp.
    // Takes back the image of a replacement; drops its question when that is the one out.
    void withdrawReplacement(const std::shared_ptr<bool>& withdrawn);
    void dropQuestion();
    void runWaitingReplacements();
    enum class Opening { file, reopen };
    // A reopened image keeps the error on show and drops the name.
    void openDocument(const QImage& image, const std::optional<QString>& name, std::function<void(bool)> done,
                      Opening opening);

    CaptureService& service_;
    AreaSelectionOverlay& overlay_;

    std::vector<CaptureWindow> windows_;
    // The documents are this controller's children.
    QPointer<EditorDocument> document_;
    QPointer<EditorDocument> previousDocument_;
    // A question about the previous document is out.
    bool asking_ = false;
    std::uint64_t questionID_ = 0;
    // The withdrawal flag of the replacement whose question is out.
    std::shared_ptr<bool> askingFor_;
    std::vector<std::function<void()>> waitingReplacements_;
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
    std::optional<Session::Area> lastArea_;

    // The running capture; none between captures.
    std::shared_ptr<Session> session_;
    bool destroying_ = false;
};

} // namespace quorvane
