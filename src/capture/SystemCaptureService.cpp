#include "capture/SystemCaptureService.h"

#include "core/Geometry.h"
#include "core/Log.h"
#include "imaging/MappedBitmap.h"
#include "platform/X11CaptureConnection.h"
#include "platform/X11DamageWatch.h"
#include "platform/X11KeptWindows.h"
#include "platform/X11ScreenExclusion.h"
#include "platform/X11ScreenGrabber.h"
#include "platform/X11ScreenTargets.h"
#include "platform/X11WindowContents.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace quorvane {
namespace {

// How long a capture waits for applications to paint what it exposed (a redirected window, the
// places of own windows left out); an application that does not answer by then is read as it is.
constexpr int paintTimeoutMs = 1000;
// The server's reports wake a waiting capture; this only catches reports that were read from
// the socket while answering something else.
constexpr int paintPollMs = 5;
// Moves and resizes of own windows come in bursts.
constexpr int keepRefreshMs = 50;
// Room for a window manager's frame around a window of ours.
constexpr int frameMargin = 64;

Error serviceError(const X11CaptureError& problem) {
    using Kind = X11CaptureError::Kind;
    switch (problem.kind) {
    case Kind::connectionFailed:
        return CaptureService::error(
            CaptureService::connectionFailed,
            QStringLiteral("Screen capture is unavailable: the X server cannot be reached."));
    case Kind::displayUnavailable:
        return CaptureService::error(CaptureService::displayUnavailable,
                                     QStringLiteral("The display is no longer available."));
    case Kind::windowUnavailable:
        return CaptureService::error(CaptureService::windowUnavailable,
                                     QStringLiteral("The window is no longer available."));
    case Kind::allocationFailed:
        return CaptureService::error(CaptureService::allocationFailed,
                                     QStringLiteral("Could not allocate the captured image."));
    case Kind::unsupportedFormat:
        return CaptureService::error(CaptureService::unsupportedFormat,
                                     QStringLiteral("The screen's pixel format is not supported."));
    case Kind::grabFailed:
        break;
    }
    return CaptureService::error(
        CaptureService::grabFailed,
        problem.xError != 0
            ? QStringLiteral("The X server could not capture the screen (X error %1).").arg(problem.xError)
            : QStringLiteral("The X server could not capture the screen."));
}

Error serviceError(X11CaptureError::Kind kind) {
    return serviceError(X11CaptureError{kind, 0});
}

// A length in points whose pixels, rounded up, are exactly `pixels`: frame × scale must give
// back the display's own size, also at fractional scales.
double pointLength(int pixels, double scale) {
    double length = pixels / scale;
    for (int i = 0; i < 8 && std::ceil(length * scale) > pixels; ++i)
        length = std::nextafter(length, 0.0);
    for (int i = 0; i < 8 && std::ceil(length * scale) < pixels; ++i)
        length = std::nextafter(length, geom::infinity);
    return length;
}

// Qt keeps a screen's origin in device pixels and divides only its size by the device pixel
// ratio; displays follow it, so that display frames and QScreen geometries agree.
double scaleOf(const X11Monitor& monitor) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return 1;
    for (QScreen* screen : QGuiApplication::screens()) {
        const double ratio = screen->devicePixelRatio();
        const QRect native(screen->geometry().topLeft(),
                           QSize(static_cast<int>(std::lround(screen->geometry().width() * ratio)),
                                 static_cast<int>(std::lround(screen->geometry().height() * ratio))));
        if ((!monitor.name.isEmpty() && screen->name() == monitor.name) || native == monitor.geometry)
            return std::isfinite(ratio) && ratio > 0 ? ratio : 1;
    }
    return 1;
}

CaptureDisplay displayOf(const X11Monitor& monitor) {
    CaptureDisplay display;
    display.displayID = monitor.id;
    display.name = monitor.name;
    display.scale = scaleOf(monitor);
    display.frame = QRectF(monitor.geometry.x(), monitor.geometry.y(),
                           pointLength(monitor.geometry.width(), display.scale),
                           pointLength(monitor.geometry.height(), display.scale));
    display.pixelWidth = monitor.geometry.width();
    display.pixelHeight = monitor.geometry.height();
    return display;
}

std::int64_t overlap(const QRect& a, const QRect& b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : std::int64_t{common.width()} * common.height();
}

CaptureWindow windowOf(const X11Window& window, const std::vector<X11Monitor>& monitors,
                       const std::vector<CaptureDisplay>& displays, std::size_t mainIndex) {
    std::size_t best = mainIndex;
    std::int64_t bestOverlap = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (const auto area = overlap(window.geometry, monitors[i].geometry); area > bestOverlap) {
            best = i;
            bestOverlap = area;
        }
    const CaptureDisplay& display = displays[best];
    const QPoint origin = monitors[best].geometry.topLeft();
    CaptureWindow result;
    result.windowID = window.client;
    result.scale = display.scale;
    result.frame = QRectF(display.frame.x() + (window.geometry.x() - origin.x()) / display.scale,
                          display.frame.y() + (window.geometry.y() - origin.y()) / display.scale,
                          pointLength(window.geometry.width(), display.scale),
                          pointLength(window.geometry.height(), display.scale));
    result.title = window.title;
    if (window.processID > 0)
        result.owningApplication = CaptureApplication{window.processID, window.applicationName};
    result.layer = window.layer;
    return result;
}

std::size_t mainMonitor(const std::vector<X11Monitor>& monitors) {
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary) return i;
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].geometry.topLeft() == QPoint(0, 0)) return i;
    return 0;
}

// Whole pixels of `content` (a drawable's area) that cover `source` (points from its top left).
QRect nativeArea(const QRect& content, const std::optional<QRectF>& source, double scale) {
    if (!source) return content;
    const QRectF scaled = geom::integral(QRectF(content.x() + geom::minX(*source) * scale,
                                                content.y() + geom::minY(*source) * scale,
                                                geom::width(*source) * scale, geom::height(*source) * scale));
    if (!geom::isFinite(scaled) || !geom::contains(QRectF(content), scaled)) return {};
    return scaled.toRect();
}

template<class T>
bool contains(const std::vector<T>& list, T value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace

SystemCaptureService::SystemCaptureService() {
    paintDeadline_.setSingleShot(true);
    paintDeadline_.setInterval(paintTimeoutMs);
    paintDeadline_.callOnTimeout([this] {
        if (!pending_ || pending_->ready()) return finishPending();
        Log::capture().log("Windows uncovered for a capture did not repaint within {} ms: read as they are",
                           paintTimeoutMs);
        finishPending();
    });
    paintPoll_.setInterval(paintPollMs);
    paintPoll_.callOnTimeout([this] { checkPending(); });
    keepRefresh_.setSingleShot(true);
    keepRefresh_.setInterval(keepRefreshMs);
    keepRefresh_.callOnTimeout([this] { keepWhatOwnWindowsCover(); });
    connect();
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        ownWindows_ = std::make_unique<OwnWindows>(*this);
        QCoreApplication::instance()->installEventFilter(ownWindows_.get());
    }
}

SystemCaptureService::~SystemCaptureService() {
    // A capture under way still answers, exactly once.
    finishPending();
}

bool SystemCaptureService::connect() {
    if (connection_ && !connection_->broken()) return true;
    serverSays_.reset();
    kept_.reset();
    grabber_.reset();
    connection_ = X11CaptureConnection::open();
    if (!connection_) {
        Log::capture().error("Screen capture cannot reach the X server");
        return false;
    }
    grabber_ = std::make_unique<X11ScreenGrabber>(*connection_);
    kept_ = std::make_unique<X11KeptWindows>(*connection_);
    serverSays_ = std::make_unique<QSocketNotifier>(connection_->fileDescriptor(), QSocketNotifier::Read);
    serverSays_->setEnabled(false);
    QObject::connect(serverSays_.get(), &QSocketNotifier::activated, [this] { checkPending(); });
    if (!connection_->hasComposite())
        Log::capture().log("Composite is unavailable: covered windows are captured with what covers them");
    return true;
}

void SystemCaptureService::loadTargets(Completion<ShareableContent> done) {
    if (!connect()) return done(Failure{serviceError(X11CaptureError::Kind::connectionFailed)});
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
        if (owner &&
            std::none_of(content.applications.begin(), content.applications.end(),
                         [&](const CaptureApplication& a) { return a.processID == owner->processID; }))
            content.applications.push_back(*owner);
    }
    done(std::move(content));
}

bool SystemCaptureService::Pending::ready() {
    if (contents && !contents->painted()) return false;
    if (repaint && !repaint->covers(exposed)) return false;
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
    Pending pending{filter, configuration, std::move(done), {}, {}, {}, {}, {}, nullptr, {}};
    if (connect()) {
        if (filter.kind == ContentFilter::Kind::window) {
            if (const auto window = X11ScreenTargets::viewableWindow(*connection_, filter.window.windowID))
                pending.contents = std::make_unique<X11WindowContents>(*connection_, *window);
        } else if (!leaveOutOwnWindows(pending)) {
            // The capture itself reports what failed.
            pending.exclusion.reset();
        }
    }
    pending_ = std::move(pending);
    // The applications paint on their own time, in their own event loops, which may be ours.
    if (!pending_->ready()) {
        paintDeadline_.start();
        paintPoll_.start();
        if (serverSays_) serverSays_->setEnabled(true);
        return;
    }
    finishPending();
}

void SystemCaptureService::checkPending() {
    if (connection_ && !connection_->broken()) connection_->readEvents();
    if (pending_ && (pending_->ready() || !connection_ || connection_->broken())) finishPending();
}

void SystemCaptureService::finishPending() {
    if (!pending_) return;
    paintDeadline_.stop();
    paintPoll_.stop();
    if (serverSays_) serverSays_->setEnabled(false);
    Pending pending = std::move(*pending_);
    pending_.reset();
    auto result = capture(pending.filter, pending.configuration, pending.area);
    // Own windows come back, redirections end.
    pending.exclusion.reset();
    pending.repaint.reset();
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

bool SystemCaptureService::leaveOutOwnWindows(Pending& pending) {
    const ContentFilter& filter = pending.filter;
    if (filter.excludedProcessIDs.empty()) return true;
    const auto area = displayArea(filter, pending.configuration);
    if (!area) return false;
    pending.area = *area;
    if (!ownWindowsMayCover(filter, *area)) return true;
    auto topLevels = X11ScreenTargets::topLevels(*connection_);
    if (!topLevels) return false;
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
    if (hidden.empty()) return true;
    if (compositing) {
        // The compositing manager paints all of it anew, from the windows it keeps.
        pending.exposed = exposed;
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
    pending.repaint->restart();
    return true;
}

bool SystemCaptureService::ownWindowsMayCover(const ContentFilter& filter, const QRect& area) {
    // Only this process's windows are known without asking the server about every window.
    if (filter.excludedProcessIDs != std::vector<ProcessID>{::getpid()} ||
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return true;
    const auto windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(), [&](const QWindow* window) {
        if (!window->isVisible() || !window->handle() ||
            contains(filter.exceptedWindowIDs, WindowID(window->winId())))
            return false;
        // Device pixels, with room for a window manager's frame.
        const double ratio = window->devicePixelRatio();
        const QRect frame = window->frameGeometry();
        const QRect native(frame.topLeft(), QSize(static_cast<int>(std::ceil(frame.width() * ratio)),
                                                  static_cast<int>(std::ceil(frame.height() * ratio))));
        return native.adjusted(-64, -64, 64, 64).intersects(area);
    });
}

Result<QImage, Error> SystemCaptureService::capture(const ContentFilter& filter,
                                                    const CaptureConfiguration& configuration,
                                                    std::optional<QRect> knownArea) {
    using Kind = X11CaptureError::Kind;
    if (!connect()) return Failure{serviceError(Kind::connectionFailed)};
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

    std::optional<X11CaptureError> problem;
    auto grabbed = MappedBitmap::image(
        area.width(), area.height(), MappedBitmap::Alpha::premultipliedLast, [&](QImage& target) {
            if (window && !configuration.sourceRect) {
                problem = grabber_->readWindow(*window, target, opaque);
                return;
            }
            problem = grabber_->read(drawable, area, target, QPoint(0, 0), opaque);
        });
    if (!grabbed) return Failure{serviceError(Kind::allocationFailed)};
    if (problem) return Failure{serviceError(*problem)};
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
    std::vector<QRect> areas;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window != showing && (!window->isVisible() || window->isMinimized())) continue;
        const Qt::WindowType type = window->windowType();
        // Menus and tool tips come and go; the area picker covers everything and is never grabbed.
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop ||
            window->windowFlags().testFlag(Qt::BypassWindowManagerHint))
            continue;
        // Device pixels, with room for a window manager's frame. (Asking for the frame of a
        // window about to be shown would fix its frame margins too early.)
        const double ratio = window->devicePixelRatioF();
        const QRect client = window->geometry();
        const QRect native(client.topLeft(), QSize(static_cast<int>(std::ceil(client.width() * ratio)),
                                                   static_cast<int>(std::ceil(client.height() * ratio))));
        areas.push_back(native.adjusted(-frameMargin, -frameMargin, frameMargin, frameMargin));
    }
    kept_->keep(areas, ::getpid());
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

} // namespace quorvane
