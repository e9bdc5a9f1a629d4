#include "capture/AreaSelectionOverlay.h"

#include "capture/AreaSelectionView.h"
#include "capture/CaptureFailure.h"
#include "capture/KeyRedirect.h"
#include "core/ClickReach.h"
#include "core/Log.h"
#include "platform/X11PointerGrab.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace quorvane {
namespace {

// Another client may hold the pointer or keyboard for a moment (a menu closing, say). Patience is
// counted in tries: a moment the program was too busy to try is nobody's hold.
constexpr int grabRetryMs = 20;
constexpr int refusedTries = 500 / grabRetryMs;
constexpr int unexposedTries = 5000 / grabRetryMs;
constexpr int focusRetryTries = 200 / grabRetryMs;

void deliverLater(const AreaSelectionOverlay::Completion& done, Error error) {
    QTimer::singleShot(0, [done, error = std::move(error)] { done(Failure{error}); });
}

} // namespace

AreaSelectionOverlay::InputGrabber AreaSelectionOverlay::systemGrabber() {
    return InputGrabber{
        [](QWindow* window) {
            return window != nullptr && window->setMouseGrabEnabled(true) && confirmPointerGrab(window);
        },
        [](QWindow* window) { return window != nullptr && window->setKeyboardGrabEnabled(true); },
        [](QWindow* window) {
            if (window == nullptr) return;
            window->setMouseGrabEnabled(false);
            window->setKeyboardGrabEnabled(false);
        },
    };
}

Error AreaSelectionOverlay::alreadyOpenError() {
    return Error{QString::fromLatin1(errorDomain), 1, QStringLiteral("An area selection is already open.")};
}

AreaSelectionOverlay::AreaSelectionOverlay(Beeper& beeper, const AccessibilityOptions& accessibility,
                                           QObject* parent)
    : QObject(parent), beeper_(beeper), accessibility_(accessibility), grabber_(systemGrabber()) {
    grabRetry_.setInterval(grabRetryMs);
    connect(&grabRetry_, &QTimer::timeout, this, &AreaSelectionOverlay::tryGrab);
}

AreaSelectionOverlay::~AreaSelectionOverlay() {
    finish(Failure{cancellationError()});
}

QWidget* AreaSelectionOverlay::window() const {
    return view_.data();
}

AreaSelectionOverlay::SelectionID AreaSelectionOverlay::select(const QImage& image, QScreen* screen,
                                                               const CaptureGeometry& geometry,
                                                               const std::optional<QString>& note, Task task,
                                                               Completion done) {
    if (done_) {
        deliverLater(done, alreadyOpenError());
        return 0;
    }
    const SelectionID id = ++lastID_;
    if (task == Task::cancelled || screen == nullptr) {
        deliverLater(done, cancellationError());
        return 0;
    }
    done_ = std::move(done);
    selectionID_ = id;

    auto* view = new AreaSelectionView(image, geometry, note, beeper_, accessibility_);
    view_ = view;
    view->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                         Qt::WindowStaysOnTopHint);
    view->setGeometry(screen->geometry());
    // It holds the pointer and keyboard: no reader's press acts beneath it.
    ClickReach::holdsInputWhileShown(*view);
    QPointer<AreaSelectionOverlay> self(this);
    connect(view, &AreaSelectionView::finished, this, [self, id](const Result<QRectF, Error>& result) {
        AreaSelectionOverlay* overlay = self.data();
        if (overlay != nullptr && overlay->selectionID_ == id) overlay->finish(result);
    });

    const auto cancelThis = [this, id] { cancel(id); };
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    observers_.push_back(connect(application, &QGuiApplication::screenAdded, this, cancelThis));
    observers_.push_back(connect(application, &QGuiApplication::screenRemoved, this, cancelThis));
    observers_.push_back(connect(application, &QGuiApplication::primaryScreenChanged, this, cancelThis));
    for (QScreen* each : QGuiApplication::screens())
        observers_.push_back(connect(each, &QScreen::geometryChanged, this, cancelThis));
    // Focus going to another client is this application resigning active; focus moving between
    // its own windows is not.
    observers_.push_back(
        connect(application, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            if (!view_ || focus == nullptr) return;
            if (focus == view_->windowHandle())
                wasActive_ = true;
            else if (!grabRetry_.isActive())
                grabRetry_.start();
        }));
    observers_.push_back(connect(application, &QGuiApplication::applicationStateChanged, this,
                                 [this, id](Qt::ApplicationState state) {
                                     if (wasActive_ && state != Qt::ApplicationActive) cancel(id);
                                 }));
    // Closed or destroyed by someone else: while destroyed, the view must be left alone.
    connect(view, &AreaSelectionView::closed, this, [self, id](AreaSelectionView::Closing closing) {
        AreaSelectionOverlay* overlay = self.data();
        if (overlay == nullptr || overlay->selectionID_ != id) return;
        if (closing == AreaSelectionView::Closing::destroying) overlay->detachView();
        overlay->finish(Failure{cancellationError()});
    });

    view->installEventFilter(this);
    view->show();
    if (QWindow* handle = view->windowHandle()) {
        handle->installEventFilter(this);
        // Keys reach the picker even while Qt has the focus on another of our windows, where the
        // window manager put it after our request: asking for the focus back takes a while.
        keys_ = std::make_unique<KeyRedirect>(*handle);
        // A popup of ours that closed over the picker took the grabs with it: taken again as when
        // the picker opened, so that Escape still reaches it.
        connect(keys_.get(), &KeyRedirect::grabsReleased, this, [this] {
            pointerGrabbed_ = keyboardGrabbed_ = false;
            tries_ = {};
            if (!grabRetry_.isActive()) grabRetry_.start();
        });
    }
    view->raise();
    view->activateWindow();
    view->setFocus(Qt::OtherFocusReason);

    tries_ = {};
    grabRetry_.start();
    tryGrab();
    return id;
}

void AreaSelectionOverlay::cancel(SelectionID id) {
    if (id != 0 && id == selectionID_) finish(Failure{cancellationError()});
}

void AreaSelectionOverlay::tryGrab() {
    if (!view_ || !done_) return;
    QWindow* handle = view_->windowHandle();
    const bool exposed = handle != nullptr && handle->isExposed();
    if (exposed) {
        if (!pointerGrabbed_) pointerGrabbed_ = grabber_.grabPointer(handle);
        if (!keyboardGrabbed_) keyboardGrabbed_ = grabber_.grabKeyboard(handle);
    }
    if (pointerGrabbed_ && keyboardGrabbed_) {
        // Where the window manager gave the focus to another of our windows after our request (a
        // busy machine, an editor it was showing), the keys are sent on to the picker, but the
        // focus belongs with it too (input methods and assistive technology follow it). Asked
        // again now and then until it comes.
        if (QGuiApplication::focusWindow() != handle) {
            if (++tries_.unfocused % focusRetryTries == 0) handle->requestActivate();
            return;
        }
        grabRetry_.stop();
        return;
    }
    ++(exposed ? tries_.refused : tries_.unexposed);
    if (tries_.refused >= refusedTries) {
        Log::capture().error("Area selection ended: the pointer or keyboard is held by another client");
        finish(Failure{cancellationError()});
    } else if (tries_.unexposed >= unexposedTries) {
        Log::capture().error("Area selection ended: its window was never shown");
        finish(Failure{cancellationError()});
    }
}

bool AreaSelectionOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (view_ && done_) {
        const SelectionID id = selectionID_;
        if (watched == view_ && event->type() == QEvent::Hide) {
            cancel(id);
        } else if (watched == view_->windowHandle() && event->type() == QEvent::Expose) {
            // Unmapped by someone else: the grabs went with it.
            if (view_->windowHandle()->isExposed())
                wasExposed_ = true;
            else if (wasExposed_)
                cancel(id);
        }
    }
    return QObject::eventFilter(watched, event);
}

AreaSelectionView* AreaSelectionOverlay::detachView() {
    AreaSelectionView* view = view_.data();
    view_ = nullptr;
    keys_.reset();
    if (view == nullptr) return nullptr;
    view->removeEventFilter(this);
    if (QWindow* handle = view->windowHandle()) {
        handle->removeEventFilter(this);
        if (pointerGrabbed_ || keyboardGrabbed_) grabber_.release(handle);
    }
    pointerGrabbed_ = keyboardGrabbed_ = false;
    return view;
}

void AreaSelectionOverlay::finish(Result<QRectF, Error> result) {
    if (!done_) return;
    Completion done = std::move(done_);
    done_ = nullptr;
    selectionID_ = 0;
    for (const auto& observer : observers_)
        disconnect(observer);
    observers_.clear();
    grabRetry_.stop();
    if (AreaSelectionView* view = detachView()) {
        view->hide();
        view->deleteLater();
    }
    pointerGrabbed_ = keyboardGrabbed_ = wasActive_ = wasExposed_ = false;
    done(std::move(result));
}

} // namespace quorvane
