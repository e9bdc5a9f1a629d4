#pragma once

// Runs one area selection at a time: a frameless, override-redirect window over the whole
// display that shows the frozen image in an AreaSelectionView, holds the pointer and keyboard
// for its life, and reports the chosen rectangle (global points) or a cancellation exactly once.
// Escape, losing focus to another client, losing the window, a change of the screens, the
// capture's cancellation and finish() with an error all end it as a cancellation.

#include "capture/AreaSelectionView.h"
#include "core/Error.h"
#include "core/Result.h"
#include "imaging/CaptureGeometry.h"

#include <QImage>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QScreen;
class QWidget;
class QWindow;

namespace quorvane {

class AccessibilityOptions;
class Beeper;
class KeyRedirect;

class AreaSelectionOverlay : public QObject {
    Q_OBJECT

public:
    using SelectionID = std::uint64_t;
    using Completion = std::function<void(Result<QRectF, Error>)>;

    // Taking and giving back the pointer and keyboard; the real one uses Qt's grabs, which fail
    // while another client holds them.
    struct InputGrabber {
        std::function<bool(QWindow*)> grabPointer;
        std::function<bool(QWindow*)> grabKeyboard;
        std::function<void(QWindow*)> release;
    };
    static InputGrabber systemGrabber();

    static constexpr const char* errorDomain = "Quorvane.Area";
    static Error alreadyOpenError();

    // `beeper` sounds for refused keys in the picker; `accessibility` says how strongly it draws.
    // Both must outlive the overlay.
    AreaSelectionOverlay(Beeper& beeper, const AccessibilityOptions& accessibility,
                         QObject* parent = nullptr);
    // Ends an open selection as a cancellation.
    ~AreaSelectionOverlay() override;

    // Whether the capture that asks for a selection still runs.
    enum class Task { running, cancelled };

    // Opens the picker over `image` (the whole display) on `screen`. `done` receives the
    // rectangle in global points, or an error: "An area selection is already open." (the open
    // selection goes on), or a cancellation. It is called exactly once, never before this
    // returns. For a cancelled task nothing is shown. Returns the selection's id, 0 when none
    // was opened.
    SelectionID select(const QImage& image, QScreen* screen, const CaptureGeometry& geometry,
                       const std::optional<QString>& note, Task task, Completion done);
    // The capture's cancellation: ends that selection, and no later one, as a cancellation.
    void cancel(SelectionID id);
    // Ends the open selection with `result`; nothing when idle.
    void finish(Result<QRectF, Error> result);

    bool isOpen() const { return static_cast<bool>(done_); }
    // The picker window while a selection is open.
    QWidget* window() const;
    AreaSelectionView* view() const { return view_; }
    // Whether the open selection holds both the pointer and the keyboard.
    bool holdsInput() const { return pointerGrabbed_ && keyboardGrabbed_; }

    void setInputGrabber(InputGrabber grabber) { grabber_ = std::move(grabber); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tryGrab();
    // Lets go of the view's events and grabs; the caller decides what becomes of it.
    AreaSelectionView* detachView();
    void watchScreen(QScreen* screen);

    Beeper& beeper_;
    const AccessibilityOptions& accessibility_;
    Completion done_;
    SelectionID selectionID_ = 0;
    SelectionID lastID_ = 0;
    QPointer<AreaSelectionView> view_;
    std::unique_ptr<KeyRedirect> keys_;
    std::vector<QMetaObject::Connection> observers_;
    InputGrabber grabber_;
    QTimer grabRetry_;
    struct Tries {
        int refused = 0;
        int unexposed = 0;
        int unfocused = 0;
    } tries_;
    bool pointerGrabbed_ = false;
    bool keyboardGrabbed_ = false;
    bool wasActive_ = false;
    bool wasExposed_ = false;
};

} // namespace quorvane
