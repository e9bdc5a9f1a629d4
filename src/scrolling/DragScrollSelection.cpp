#include "scrolling/DragScrollSelection.h"

#include "core/Log.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

namespace quorvane {

DragScrollSelection::DragScrollSelection(DragScrollTracker tracker, DragEventTapping& tap,
                                         DragSelectionPresenting& presenter, std::function<bool()> buttonDown,
                                         std::chrono::milliseconds pollInterval, QObject* parent)
    : QObject(parent), tracker_(std::move(tracker)), tap_(tap), presenter_(presenter),
      buttonDown_(std::move(buttonDown)) {
    pollTimer_.setInterval(pollInterval);
    connect(&pollTimer_, &QTimer::timeout, this, &DragScrollSelection::poll);
}

DragScrollSelection::~DragScrollSelection() {
    end();
}

bool DragScrollSelection::begin() {
    if (active_ || tracker_.phase.isFinal()) return false;
    QPointer<DragScrollSelection> self(this);
    if (!tap_.start([self](const DragScrollEvent& event) {
            if (self) self->handle(event);
        }))
        return false;
    active_ = true;
    presenter_.show(std::nullopt, tracker_.display);
    // Any change of the display arrangement invalidates the geometry the drag works with.
    const auto cancel = [this] { handle(DragScrollEvent::cancel()); };
    if (auto* application = qGuiApp) {
        observers_.push_back(connect(application, &QGuiApplication::screenAdded, this, cancel));
        observers_.push_back(connect(application, &QGuiApplication::screenRemoved, this, cancel));
        observers_.push_back(connect(application, &QGuiApplication::primaryScreenChanged, this, cancel));
        for (QScreen* screen : QGuiApplication::screens()) {
            observers_.push_back(connect(screen, &QScreen::geometryChanged, this, cancel));
            observers_.push_back(connect(screen, &QScreen::availableGeometryChanged, this, cancel));
        }
    }
    missedRelease_ = false;
    pollTimer_.start();
    return true;
}

void DragScrollSelection::end() {
    if (!active_) return;
    active_ = false;
    tap_.stop();
    presenter_.hide();
    pollTimer_.stop();
    for (const auto& observer : observers_)
        disconnect(observer);
    observers_.clear();
}

void DragScrollSelection::handle(const DragScrollEvent& event) {
    if (!active_) return;
    using Kind = DragScrollTracker::Effect::Kind;
    const auto effect = tracker_.handle(event);
    switch (effect.kind) {
    case Kind::lock: {
        presenter_.hide();
        const DragScrollDisplay display = tracker_.display;
        Q_EMIT locked(effect.rect, display, *effect.edge);
        break;
    }
    case Kind::zone:
        Q_EMIT zoneChanged(effect.edge);
        break;
    case Kind::select: {
        const DragScrollDisplay display = tracker_.display;
        end();
        Q_EMIT selected(effect.rect, display);
        break;
    }
    case Kind::none:
        break;
    case Kind::redraw:
        presenter_.show(tracker_.selection, tracker_.display);
        break;
    case Kind::finish:
        end();
        Q_EMIT finished();
        break;
    case Kind::cancel:
        end();
        Q_EMIT cancelled();
        break;
    }
}

void DragScrollSelection::poll() {
    if (!active_) return;
    using P = DragScrollTracker::Phase::Kind;
    if (tracker_.phase.kind != P::selecting && tracker_.phase.kind != P::scrolling) {
        missedRelease_ = false;
        return;
    }
    if (buttonDown_()) {
        missedRelease_ = false;
    } else if (missedRelease_) {
        missedRelease_ = false;
        Log::capture().log("Drag scroll: the release did not reach the tap; finishing from the button state");
        handle(DragScrollEvent::up(tracker_.pointer.value_or(tracker_.anchor.value_or(QPointF()))));
    } else {
        missedRelease_ = true;
    }
}

} // namespace quorvane
