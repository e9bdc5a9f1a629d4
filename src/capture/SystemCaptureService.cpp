#include "capture/SystemCaptureService.h"

#include "capture/OwnWindowAreas.h"
#include "capture/X11CaptureListing.h"
#include "core/Log.h"
#include "imaging/MappedBitmap.h"
#include "platform/QtX11Connection.h"
#include "platform/X11CaptureConnection.h"
#include "platform/X11DamageWatch.h"
#include "platform/X11KeptWindows.h"
#include "platform/X11ScreenExclusion.h"
#include "platform/X11ScreenGrabber.h"
#include "platform/X11ScreenTargets.h"
#include "platform/X11WindowContents.h"
#include "platform/X11WindowIcon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace quorvane {
using X11CaptureListing::displayOf;
using X11CaptureListing::mainMonitor;
using X11CaptureListing::nativeArea;
using X11CaptureListing::serviceError;
using X11CaptureListing::windowOf;

namespace {

// How long a capture waits for applications to paint what it exposed (a redirected window, the
// places of own windows left out); an application that does not answer by then is read as it is.
constexpr int paintTimeoutMs = 1000;
// Of that, how long own windows wait to be taken out until a compositing manager has painted
// them back after the capture before.
constexpr int restoreTimeoutMs = 250;
// The server's reports wake a waiting capture; this only catches reports that were read from
// the socket while answering something else, and the ends of fades.
constexpr int paintPollMs = 5;
// Moves and resizes of own windows come in bursts.
constexpr int keepRefreshMs = 50;

template<class T>
bool contains(const std::vector<T>& list, T value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace

SystemCaptureService::SystemCaptureService() {
    paintDeadline_.setSingleShot(true);
    paintDeadline_.setInterval(paintTimeoutMs);
    paintDeadline_.callOnTimeout([this] {
        if (!pending_) return;
        if (pending_->awaitsRestore) {
            Log::capture().log("Own windows put back after the capture before did not show again within {} "
                               "ms: taken out all the same",
                               restoreTimeoutMs);
            beginLeavingOut(*pending_);
        }
        if (pending_->ready() && sameCompositingManager(*pending_)) return finishPending();
        if (!pending_->ownWindowsShown())
            Log::capture().log("Own windows in a capture did not show anew within {} ms: read as they are",
                               paintTimeoutMs);
        if (pending_->fades != nullptr && pending_->fades->fading())
            Log::capture().log(
                "Own windows left out of a capture were still fading out after {} ms: read as they are",
                paintTimeoutMs);
        else if (!pending_->uncoveredPainted())
            Log::capture().log(
                "Windows uncovered for a capture did not repaint within {} ms: read as they are",
                paintTimeoutMs);
        finishPending();
    });
    paintPoll_.setInterval(paintPollMs);
    paintPoll_.callOnTimeout([this] { checkPending(); });
    keepRefresh_.setSingleShot(true);
    keepRefresh_.setInterval(keepRefreshMs);
    keepRefresh_.callOnTimeout([this] { keepWhatOwnWindowsCover(); });
    restoreLimit_.setSingleShot(true);
    restoreLimit_.setInterval(paintTimeoutMs);
    restoreLimit_.callOnTimeout([this] { restoring_.reset(); });
    restoreWait_.setSingleShot(true);
    restoreWait_.setInterval(restoreTimeoutMs);
    restoreWait_.callOnTimeout([this] {
        if (!pending_ || !pending_->awaitsRestore) return;
        Log::capture().log("Own windows put back after the capture before did not show again within {} ms: "
                           "taken out all the same",
                           restoreTimeoutMs);
        beginLeavingOut(*pending_);
        checkPending();
    });
    // A server out of reach is reported by the first capture.
    (void)connect();
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        ownWindows_ = std::make_unique<OwnWindows>(*this);
        QCoreApplication::instance()->installEventFilter(ownWindows_.get());
    }
}

SystemCaptureService::~SystemCaptureService() {
    // A capture under way still answers, exactly once.
    finishPending();
}

Result<void, Error> SystemCaptureService::connect() {
    if (connection_ && !connection_->broken()) return {};
    if (pending_) pending_->forgetConnection();
    restoring_.reset();
    serverSays_.reset();
    kept_.reset();
    grabber_.reset();
    connection_ = X11CaptureConnection::open();
    if (!connection_) {
        Log::capture().error("Screen capture cannot reach the X server");
        return Failure{serviceError(X11CaptureError::Kind::connectionFailed)};
    }
    grabber_ = std::make_unique<X11ScreenGrabber>(*connection_);
    kept_ = std::make_unique<X11KeptWindows>(*connection_);
    serverSays_ = std::make_unique<QSocketNotifier>(connection_->fileDescriptor(), QSocketNotifier::Read);
    serverSays_->setEnabled(false);
    QObject::connect(serverSays_.get(), &QSocketNotifier::activated, [this] { checkPending(); });
    if (!connection_->hasComposite())
        Log::capture().log("Composite is unavailable: covered windows are captured with what covers them");
    return {};
}

void SystemCaptureService::loadTargets(Completion<ShareableContent> done) {
    if (auto connected = connect(); !connected) return done(Failure{connected.error()});
    auto monitors = X11ScreenTargets::monitors(*connection_);
    if (!monitors) return done(Failure{serviceError(monitors.error())});
    auto windows = X11ScreenTargets::applicationWindows(*connection_);
    if (!windows) return done(Failure{serviceError(windows.error())});

    ShareableContent content;
    for (const auto& monitor : *monitors)
        content.displays.push_back(displayOf(monitor));
    const std::size_t main = mainMonitor(*monitors);
    content.mainDisplayID = content.displays[main].displayID;

    // This process is always listed, so that a display filter can leave it out.
    const ProcessID self = ::getpid();
    content.applications.push_back(CaptureApplication{self, QCoreApplication::applicationName()});
    for (const auto& window : *windows) {
        content.windows.push_back(windowOf(window, *monitors, content.displays, main));
        const auto& owner = content.windows.back().owningApplication;
        // Programs known only by name cannot be told apart by their process.
        if (owner && owner->processID != 0 &&
            std::none_of(content.applications.begin(), content.applications.end(),
                         [&](const CaptureApplication& a) { return a.processID == owner->processID; }))
            content.applications.push_back(*owner);
    }
    done(std::move(content));
}

void SystemCaptureService::Pending::forgetConnection() {
    // Nothing is left to undo on a connection the server closed.
    contents.reset();
    repaint.reset();
    keptPaint.reset();
    exclusion.reset();
    exposedKept.clear();
    kept = nullptr;
    awaitsRestore = false;
    fades = nullptr;
}

bool SystemCaptureService::Pending::ownWindowsShown() {
    return !keptPaint || keptPaint->covers(keptArea);
}

bool SystemCaptureService::Pending::ready() {
    return ownWindowsShown() && uncoveredPainted();
}

bool SystemCaptureService::Pending::uncoveredPainted() {
    if (contents && !contents->painted()) return false;
    if (awaitsRestore) return false;
    if (repaint && fades != nullptr) {
        // Read once: a frame's last report must count with the frame it ends.
        const QRegion fresh = repaint->freshlyPainted();
        const bool covered = repaint->coveredSoFar(exposed);
        if (fresh.intersects(exposed)) fades->painted(covered);
        if (!covered || !fades->done()) return false;
    } else if (repaint && !repaint->covers(exposed)) {
        return false;
    }
    for (const auto& [topLevel, region] : exposedKept) {
        const std::optional<QRegion> left = kept->unpainted(topLevel);
        if (left && !(*left & region).isEmpty()) return false;
    }
    return true;
}

void SystemCaptureService::takeImage(const ContentFilter& filter, const CaptureConfiguration& configuration,
                                     Completion<QImage> done) {
    // One capture at a time: one still waiting for paint is read as it is now.
    finishPending();
    Pending& pending = pending_.emplace();
    pending.filter = filter;
    pending.configuration = configuration;
    pending.done = std::move(done);
    if (connect()) {
        if (filter.kind == ContentFilter::Kind::window) {
            const auto window = X11ScreenTargets::viewableWindow(*connection_, filter.window.windowID);
            // A window kept whole under ours, and painted since, is read as it is.
            const auto unpainted = window && kept_ ? kept_->unpainted(window->topLevel) : std::nullopt;
            if (window && !(unpainted && unpainted->isEmpty()))
                pending.contents = std::make_unique<X11WindowContents>(*connection_, *window);
        } else {
            paintOwnWindowsShown(pending);
            if (restored()) {
                beginLeavingOut(pending);
            } else {
                pending.awaitsRestore = true;
                restoreWait_.start();
            }
        }
    }
    // The applications paint on their own time, in their own event loops, which may be ours.
    if (!pending.ready() || !sameCompositingManager(pending)) {
        paintDeadline_.start();
        paintPoll_.start();
        if (serverSays_) serverSays_->setEnabled(true);
        return;
    }
    finishPending();
}

void SystemCaptureService::beginLeavingOut(Pending& pending) {
    pending.awaitsRestore = false;
    restoreWait_.stop();
    restoring_.reset();
    // The capture itself reports what failed.
    if (!leaveOutOwnWindows(pending)) pending.exclusion.reset();
}

bool SystemCaptureService::restored() {
    if (restoring_ && connection_ && !connection_->broken() && !restoring_->covers(restoredArea_))
        return false;
    restoring_.reset();
    return true;
}

void SystemCaptureService::checkPending() {
    if (connection_ && !connection_->broken()) connection_->readEvents();
    const bool connected = connection_ && !connection_->broken();
    if (!pending_) {
        if (restored() && serverSays_) serverSays_->setEnabled(false);
        return;
    }
    if (pending_->awaitsRestore && restored()) beginLeavingOut(*pending_);
    if (!connected || (pending_->ready() && sameCompositingManager(*pending_))) finishPending();
}

bool SystemCaptureService::sameCompositingManager(Pending& pending) {
    if (!pending.compositing || !pending.exclusion || !connection_ || connection_->broken()) return true;
    if (connection_->compositingManagerChanges() == pending.manager) return true;
    // Gone, the compositing manager leaves faded windows to the server, which shows them; another
    // one has yet to hear of them.
    Log::capture().log("The compositing manager changed during a capture: own windows are taken out anew");
    pending.exclusion.reset();
    pending.repaint.reset();
    pending.exposed = QRegion();
    pending.exposedKept.clear();
    pending.compositing = false;
    pending.fades = nullptr;
    beginLeavingOut(pending);
    return false;
}

void SystemCaptureService::finishPending() {
    if (!pending_) return;
    paintDeadline_.stop();
    paintPoll_.stop();
    restoreWait_.stop();
    if (serverSays_) serverSays_->setEnabled(false);
    // Reading again replaces a connection the server closed.
    if (!connection_ || connection_->broken()) pending_->forgetConnection();
    Pending pending = std::move(*pending_);
    pending_.reset();
    auto result = capture(pending.filter, pending.configuration, pending.area);
    if (pending.exclusion && pending.compositing && pending.repaint && !pending.exposed.isEmpty() &&
        connection_ && !connection_->broken()) {
        // The compositing manager paints them back on its own time.
        const std::uint32_t back = pending.exclusion->restore();
        restoring_ = std::move(pending.repaint);
        restoring_->restart(back);
        restoredArea_ = pending.exposed;
        restoreLimit_.start();
        if (serverSays_) serverSays_->setEnabled(true);
    }
    // Own windows come back, redirections end.
    pending.exclusion.reset();
    pending.repaint.reset();
    pending.keptPaint.reset();
    pending.contents.reset();
    // A resident program captures its displays again and again: the next bitmap's pages are
    // made ready meanwhile.
    if (result.ok() && pending.filter.kind == ContentFilter::Kind::display)
        MappedBitmap::prepareSpare(result->width(), result->height());
    pending.done(std::move(result));
}

double SystemCaptureService::scaleOf(const ContentFilter& filter) {
    return std::isfinite(filter.pointPixelScale()) && filter.pointPixelScale() > 0 ? filter.pointPixelScale()
                                                                                   : 1.0;
}

Result<QRect, Error> SystemCaptureService::displayArea(const ContentFilter& filter,
                                                       const CaptureConfiguration& configuration) {
    auto monitors = X11ScreenTargets::monitors(*connection_);
    if (!monitors) return Failure{serviceError(monitors.error())};
    const auto monitor = std::find_if(monitors->begin(), monitors->end(),
                                      [&](const X11Monitor& m) { return m.id == filter.display.displayID; });
    if (monitor == monitors->end()) return Failure{serviceError(X11CaptureError::Kind::displayUnavailable)};
    return nativeArea(monitor->geometry, configuration.sourceRect, scaleOf(filter));
}

void SystemCaptureService::paintOwnWindowsShown(Pending& pending) {
    const std::vector<WindowID>& shown = pending.filter.exceptedWindowIDs;
    if (shown.empty() || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
    std::vector<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->isMinimized() && window->testAttribute(Qt::WA_WState_Created) &&
            contains(shown, WindowID(window->winId())))
            windows.push_back(window);
    if (windows.empty()) return;
    // Under a compositing manager, what they paint reaches the screen when the compositing
    // manager paints it there: it is watched from before they paint, the screen's painting
    // counted only from after theirs.
    std::vector<std::pair<QPoint, std::unique_ptr<X11DamageWatch>>> painting;
    if (connection_->compositingManagerRuns()) {
        for (const QWidget* window : windows)
            if (const auto seen = X11ScreenTargets::viewableWindow(*connection_, WindowID(window->winId())))
                painting.emplace_back(seen->geometry.topLeft(),
                                      std::make_unique<X11DamageWatch>(*connection_, seen->client));
        if (!painting.empty()) {
            pending.keptPaint = std::make_unique<X11DamageWatch>(*connection_, connection_->root());
            // The server reports a window whole as a watch of it begins.
            const std::uint32_t from = connection_->settle();
            pending.keptPaint->restart(from);
            std::vector<const X11DamageWatch*> triggers;
            for (const auto& [origin, watch] : painting) {
                watch->restart(from);
                triggers.push_back(watch.get());
            }
            pending.keptPaint->restartOnPaintingOf(triggers);
        }
    }
    // What they have yet to paint (what changed in this turn, which Qt paints on a later one) is
    // painted now, and only that: the rest is on the screen already.
    for (QWidget* window : windows)
        QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    // Qt draws through a connection of its own: the server has the pixels once it has handled
    // everything sent there.
    syncQtX11Connection();
    if (!pending.keptPaint) return;
    // Every report of that painting has come by the time the server answers.
    connection_->settle();
    pending.keptPaint->painted();
    pending.keptPaint->stopRestarting();
    QRegion area;
    for (const auto& [origin, watch] : painting)
        area += watch->painted().translated(origin);
    pending.keptArea = area & connection_->rootGeometry();
}

Result<void, Error> SystemCaptureService::leaveOutOwnWindows(Pending& pending) {
    const ContentFilter& filter = pending.filter;
    if (filter.excludedProcessIDs.empty()) return {};
    const auto area = displayArea(filter, pending.configuration);
    if (!area) return Failure{area.error()};
    pending.area = *area;
    if (!OwnWindowAreas::mayCover(filter, *area)) return {};
    auto topLevels = X11ScreenTargets::topLevels(*connection_);
    if (!topLevels) return Failure{serviceError(topLevels.error())};
    const std::uint64_t manager = connection_->compositingManagerChanges();
    const bool compositing = connection_->compositingManagerRuns();
    // Only windows over the grabbed area need to go.
    const auto leaves = [&](const X11Window& window) {
        return contains(filter.excludedProcessIDs, window.processID) &&
               !contains(filter.exceptedWindowIDs, WindowID{window.client}) &&
               window.topLevelGeometry.intersects(*area);
    };
    std::vector<X11Window> hidden;
    QRegion exposed;
    for (std::size_t i = 0; i < topLevels->size(); ++i) {
        const X11Window& window = (*topLevels)[i];
        if (!leaves(window)) continue;
        hidden.push_back(window);
        // A window of another depth is drawn onto its parent by the server: taking it away
        // exposes nothing that an application paints.
        if (!compositing && window.depth != connection_->rootDepth()) continue;
        QRegion uncovered(window.topLevelGeometry.intersected(*area));
        for (std::size_t j = i + 1; j < topLevels->size(); ++j)
            if (!leaves((*topLevels)[j])) uncovered -= (*topLevels)[j].topLevelGeometry;
        exposed += uncovered;
    }
    if (hidden.empty()) return {};
    pending.compositing = compositing;
    pending.manager = manager;
    if (compositing) {
        // The compositing manager paints all of it anew, from the windows it keeps, perhaps
        // fading them out over several frames.
        pending.exposed = exposed;
        if (!exposed.isEmpty()) {
            fades_.begin(manager);
            pending.fades = &fades_;
        }
    } else {
        // What each window below shows of it, top to bottom. The server paints the bare root,
        // frames and kept windows itself while it takes ours away; only the applications of the
        // other windows have to paint theirs.
        QRegion above;
        for (auto it = topLevels->rbegin(); it != topLevels->rend(); ++it) {
            const X11Window& window = *it;
            if (leaves(window)) continue;
            const QRegion part = (exposed & QRegion(window.topLevelGeometry)) - above;
            above += window.topLevelGeometry;
            if (part.isEmpty() || window.depth != connection_->rootDepth()) continue;
            const QPoint origin =
                window.topLevelGeometry.topLeft() + QPoint(window.topLevelBorder, window.topLevelBorder);
            if (kept_ && kept_->unpainted(window.topLevel))
                pending.exposedKept.emplace_back(window.topLevel, part.translated(-origin));
            else
                pending.exposed += part & QRegion(window.geometry);
        }
        pending.kept = kept_.get();
    }
    pending.repaint = std::make_unique<X11DamageWatch>(*connection_, connection_->root());
    pending.exclusion = std::make_unique<X11ScreenExclusion>(*connection_, hidden);
    // What the server painted while taking them away counts only where it paints for good.
    pending.repaint->restart(pending.exclusion->settled());
    return {};
}

Result<QImage, Error> SystemCaptureService::capture(const ContentFilter& filter,
                                                    const CaptureConfiguration& configuration,
                                                    std::optional<QRect> knownArea) {
    using Kind = X11CaptureError::Kind;
    if (auto connected = connect(); !connected) return Failure{connected.error()};
    X11CaptureConnection& connection = *connection_;
    const double scale = scaleOf(filter);
    const bool opaque = configuration.shouldBeOpaque;

    std::uint32_t drawable = connection.root();
    QRect area;
    std::optional<X11Window> window;
    if (filter.kind == ContentFilter::Kind::display) {
        const auto display =
            knownArea ? Result<QRect, Error>(*knownArea) : displayArea(filter, configuration);
        if (!display) return Failure{display.error()};
        area = *display;
    } else {
        window = X11ScreenTargets::viewableWindow(connection, filter.window.windowID);
        if (!window)
            return Failure{
                serviceError(connection.broken() ? Kind::connectionFailed : Kind::windowUnavailable)};
        drawable = window->client;
        area = nativeArea(QRect(QPoint(0, 0), window->geometry.size()), configuration.sourceRect, scale);
    }
    if (area.isEmpty()) return Failure{serviceError(Kind::grabFailed)};
    // The content may have grown since it was listed: the cap holds for what is read, too.
    if (!CaptureService::configuration(area.width(), area.height()))
        return Failure{toError(CaptureFailure::invalidDimensions)};

    Result<void, X11CaptureError> copied;
    auto grabbed = MappedBitmap::image(
        area.width(), area.height(), MappedBitmap::Alpha::premultipliedLast, [&](QImage& target) {
            if (window && !configuration.sourceRect) {
                copied = grabber_->readWindow(*window, target, opaque);
                return;
            }
            copied = grabber_->read(drawable, area, target, QPoint(0, 0), opaque);
        });
    if (!grabbed) return Failure{serviceError(Kind::allocationFailed)};
    if (!copied) return Failure{serviceError(copied.error())};
    if (grabbed->width() == configuration.width && grabbed->height() == configuration.height) return *grabbed;

    // The configuration asks for another size than the content's own pixels.
    const QImage source = *grabbed;
    auto scaled =
        MappedBitmap::image(configuration.width, configuration.height, MappedBitmap::Alpha::premultipliedLast,
                            [&](QImage& target) {
                                QPainter painter(&target);
                                painter.setCompositionMode(QPainter::CompositionMode_Source);
                                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                                painter.drawImage(QRectF(target.rect()), source, QRectF(source.rect()));
                            });
    if (!scaled) return Failure{serviceError(Kind::allocationFailed)};
    return *scaled;
}

void SystemCaptureService::keepWhatOwnWindowsCover(const QWidget* showing) {
    keepRefresh_.stop();
    if (!connect() || !kept_) return;
    kept_->keep(OwnWindowAreas::shown(showing), ::getpid());
}

bool SystemCaptureService::OwnWindows::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::Move && type != QEvent::Resize &&
        type != QEvent::WindowStateChange)
        return false;
    if (!watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow()) return false;
    // Before the window is mapped: what lies below is kept while the screen still shows it.
    if (type == QEvent::Show)
        service_.keepWhatOwnWindowsCover(static_cast<QWidget*>(watched));
    else
        service_.keepRefresh_.start();
    return false;
}

QImage SystemCaptureService::applicationIcon(const CaptureWindow& window, int side) {
    const ProcessID process = window.owningApplication ? window.owningApplication->processID : 0;
    if (process != 0) {
        const auto known = icons_.find(process);
        if (known != icons_.end()) return known->second;
    }
    if (!connect()) return {};
    QImage icon = X11WindowIcon::read(*connection_, window.windowID, side);
    // Windows without a process are asked each time: nothing ties them together.
    if (process != 0) icons_[process] = icon;
    return icon;
}

} // namespace quorvane
