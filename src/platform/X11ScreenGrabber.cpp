#include "platform/X11ScreenGrabber.h"

#include "platform/X11CaptureReply.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)
#include <emmintrin.h>
#endif

namespace quorvane {
namespace {

constexpr int badMatch = 8;
constexpr std::size_t bandBytes = std::size_t{1} << 20;

X11CaptureError failure(X11CaptureError::Kind kind, const xcb_generic_error_t* error = nullptr) {
    return X11CaptureError{kind, error != nullptr ? error->error_code : 0};
}

// Drawables that vanish between listing and reading.
X11CaptureError readFailure(X11CaptureConnection& connection, const xcb_generic_error_t* error) {
    if (connection.broken()) return failure(X11CaptureError::Kind::connectionFailed);
    if (error != nullptr && (error->error_code == XCB_WINDOW || error->error_code == XCB_DRAWABLE))
        return failure(X11CaptureError::Kind::windowUnavailable, error);
    return failure(X11CaptureError::Kind::grabFailed, error);
}

// Converts bands of rows on a few threads of its own, so that the page faults of a fresh image
// and the conversion run in parallel and overlap the server's copying. Waits for all of them
// when destroyed.
class BandConverter {
public:
    BandConverter(QImage& target, QPoint at)
        : base_(target.bits()), stride_(target.bytesPerLine()), at_(at) {}
    ~BandConverter() { finished_.acquire(pending_); }
    BandConverter(const BandConverter&) = delete;
    BandConverter& operator=(const BandConverter&) = delete;

    // `source` holds `rows` packed rows of `width` pixels, for target rows from `top`.
    void convert(const std::uint8_t* source, int top, int rows, int width, bool keepAlpha) {
        ++pending_;
        const auto job = [this, source, top, rows, width, keepAlpha] {
            const std::size_t sourceStride = std::size_t(width) * 4;
            for (int row = 0; row < rows; ++row) {
                const auto* in =
                    reinterpret_cast<const std::uint32_t*>(source + sourceStride * std::size_t(row));
                auto* out =
                    reinterpret_cast<std::uint32_t*>(base_ + stride_ * (at_.y() + top + row)) + at_.x();
                convertX11Pixels(in, out, std::size_t(width), keepAlpha);
            }
            finished_.release();
        };
        pool().start(job);
    }

private:
    static QThreadPool& pool() {
        // Kept until the process ends, with idle threads expiring.
        static QThreadPool* threads = [] {
            auto* result = new QThreadPool;
            result->setMaxThreadCount(std::clamp(QThread::idealThreadCount(), 1, 4));
            return result;
        }();
        return *threads;
    }

    uchar* base_;
    qsizetype stride_;
    QPoint at_;
    int pending_ = 0;
    QSemaphore finished_;
};

} // namespace

void convertX11Pixels(const std::uint32_t* source, std::uint32_t* target, std::size_t count, bool keepAlpha) {
    // Words read 0xXXRRGGBB on a little-endian host; RGBA bytes are 0xAABBGGRR.
    std::size_t i = 0;
#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)
    const __m128i redBlue = _mm_set1_epi32(0x00ff00ff);
    const __m128i kept = _mm_set1_epi32(keepAlpha ? static_cast<int>(0xff00ff00u) : 0x0000ff00);
    const __m128i opaque = _mm_set1_epi32(keepAlpha ? 0 : static_cast<int>(0xff000000u));
    for (; i + 4 <= count; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i rb = _mm_and_si128(v, redBlue);
        const __m128i swapped = _mm_or_si128(_mm_slli_epi32(rb, 16), _mm_srli_epi32(rb, 16));
        const __m128i result = _mm_or_si128(_mm_or_si128(swapped, _mm_and_si128(v, kept)), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), result);
    }
#endif
    const std::uint32_t keptMask = keepAlpha ? 0xff00ff00u : 0x0000ff00u;
    const std::uint32_t alpha = keepAlpha ? 0 : 0xff000000u;
    for (; i < count; ++i) {
        const std::uint32_t v = source[i];
        const std::uint32_t rb = v & 0x00ff00ffu;
        target[i] = ((rb << 16) | (rb >> 16)) | (v & keptMask) | alpha;
    }
}

X11ScreenGrabber::X11ScreenGrabber(X11CaptureConnection& connection) : connection_(connection) {}

X11ScreenGrabber::~X11ScreenGrabber() {
    releaseSharedMemory();
}

void X11ScreenGrabber::release(const Segment& segment) {
    if (!connection_.broken()) {
        xcb_shm_detach(connection_.xcb(), segment.id);
        xcb_flush(connection_.xcb());
    }
    ::munmap(segment.memory, segment.size);
}

void X11ScreenGrabber::releaseSharedMemory() {
    for (const Segment& segment : segments_)
        release(segment);
    segments_.clear();
}

const X11ScreenGrabber::Segment* X11ScreenGrabber::segmentFor(std::size_t bytes) {
    // The smallest that fits, unless it is more than twice the size: a display that shrank gets
    // a segment of its own size.
    auto best = segments_.end();
    for (auto it = segments_.begin(); it != segments_.end(); ++it)
        if (it->size >= bytes && it->size / 2 <= bytes && (best == segments_.end() || it->size < best->size))
            best = it;
    if (best != segments_.end()) {
        std::rotate(best, best + 1, segments_.end());
        return &segments_.back();
    }
    if (!connection_.hasSharedMemoryFds() || sharedMemoryFailed_) return nullptr;
    const int fd = ::memfd_create("quorvane-capture", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    void* memory = MAP_FAILED;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) == 0)
        memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    xcb_connection_t* c = connection_.xcb();
    const std::uint32_t id = xcb_generate_id(c);
    // xcb closes the descriptor once it is sent; the mapping stays ours.
    X11Reply<xcb_generic_error_t> error(xcb_request_check(c, xcb_shm_attach_fd_checked(c, id, fd, 0)));
    if (error) {
        // A remote server cannot share our memory: plain GetImage from now on.
        sharedMemoryFailed_ = true;
        ::munmap(memory, bytes);
        return nullptr;
    }
    constexpr std::size_t kept = 2;
    if (segments_.size() == kept) {
        release(segments_.front());
        segments_.erase(segments_.begin());
    }
    segments_.push_back(Segment{id, memory, bytes});
    return &segments_.back();
}

Result<void, X11CaptureError> X11ScreenGrabber::read(std::uint32_t drawable, const QRect& area,
                                                     QImage& target, QPoint at, bool opaque) {
    if (connection_.broken()) return Failure{failure(X11CaptureError::Kind::connectionFailed)};
    if (area.isEmpty() || area.width() > 0x7fff || area.height() > 0x7fff || at.x() < 0 || at.y() < 0 ||
        at.x() + area.width() > target.width() || at.y() + area.height() > target.height() ||
        target.format() != QImage::Format_RGBA8888_Premultiplied)
        return Failure{failure(X11CaptureError::Kind::grabFailed)};
    xcb_connection_t* c = connection_.xcb();
    const auto x = static_cast<std::int16_t>(area.x()), y = static_cast<std::int16_t>(area.y());
    const auto width = static_cast<std::uint16_t>(area.width()),
               height = static_cast<std::uint16_t>(area.height());
    const std::size_t bytes = std::size_t{width} * height * 4;

    if (const Segment* segment = segmentFor(bytes)) {
        // All bands are asked for at once, so that converting one overlaps the server copying
        // the next.
        const int bandRows = std::max(1, static_cast<int>(bandBytes / (std::size_t{width} * 4)));
        // Other clients' drawing between two bands would make a picture of two moments (a page
        // scrolled in its lower half only): the server serves no one else until the last band.
        const bool severalBands = bandRows < height;
        if (severalBands) xcb_grab_server(c);
        std::vector<xcb_shm_get_image_cookie_t> cookies;
        for (int top = 0; top < height; top += bandRows)
            cookies.push_back(xcb_shm_get_image(c, drawable, x, static_cast<std::int16_t>(y + top), width,
                                                static_cast<std::uint16_t>(std::min(bandRows, height - top)),
                                                ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id,
                                                static_cast<std::uint32_t>(std::size_t{width} * 4 * top)));
        if (severalBands) {
            xcb_ungrab_server(c);
            xcb_flush(c);
        }
        Result<void, X11CaptureError> grabbed;
        BandConverter converter(target, at);
        for (std::size_t band = 0; band < cookies.size(); ++band) {
            xcb_generic_error_t* rawError = nullptr;
            X11Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(c, cookies[band], &rawError));
            X11Reply<xcb_generic_error_t> error(rawError);
            if (!grabbed) continue;
            const int top = static_cast<int>(band) * bandRows;
            const QRect rows(area.x(), area.y() + top, area.width(), std::min(bandRows, area.height() - top));
            if (!reply)
                grabbed = Failure{readFailure(connection_, error.get())};
            else if (!connection_.readableDepth(reply->depth) ||
                     reply->size < std::size_t{width} * 4 * static_cast<std::size_t>(rows.height()))
                grabbed = Failure{failure(X11CaptureError::Kind::unsupportedFormat)};
            else
                converter.convert(static_cast<const std::uint8_t*>(segment->memory) +
                                      std::size_t{width} * 4 * top,
                                  top, rows.height(), width, reply->depth == 32 && !opaque);
        }
        return grabbed;
    }

    xcb_generic_error_t* rawError = nullptr;
    X11Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, x, y, width, height, ~0u), &rawError));
    X11Reply<xcb_generic_error_t> error(rawError);
    if (!reply) return Failure{readFailure(connection_, error.get())};
    if (!connection_.readableDepth(reply->depth) ||
        static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) < bytes)
        return Failure{failure(X11CaptureError::Kind::unsupportedFormat)};
    BandConverter(target, at)
        .convert(xcb_get_image_data(reply.get()), 0, height, width, reply->depth == 32 && !opaque);
    return {};
}

Result<void, X11CaptureError> X11ScreenGrabber::readWindow(const X11Window& window, QImage& target,
                                                           bool opaque) {
    const QRect whole(0, 0, window.geometry.width(), window.geometry.height());
    auto grabbed = read(window.client, whole, target, QPoint(0, 0), opaque);
    if (grabbed || grabbed.error().xError != badMatch) return grabbed;
    // Without off-screen content the server reads only what lies on the screen.
    const QRect onScreen = window.geometry.intersected(connection_.rootGeometry());
    if (onScreen.isEmpty()) return grabbed;
    const QRect area = onScreen.translated(-window.geometry.topLeft());
    return read(window.client, area, target, area.topLeft(), opaque);
}

} // namespace quorvane
