#include "platform/X11WindowIcon.h"

#include "platform/X11CaptureConnection.h"

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace quorvane::X11WindowIcon {

QImage decode(const std::uint32_t* words, std::size_t count, int side) {
    std::size_t best = count;
    std::uint32_t bestWidth = 0, bestHeight = 0;
    for (std::size_t at = 0; at + 2 <= count;) {
        const std::uint32_t width = words[at], height = words[at + 1];
        if (width == 0 || height == 0 || width > maxSide || height > maxSide) return {};
        const std::size_t pixels = std::size_t(width) * height;
        if (pixels > count - at - 2) return {};
        const bool better = best == count || (bestWidth < std::uint32_t(side)
                                                  ? width > bestWidth
                                                  : width >= std::uint32_t(side) && width < bestWidth);
        if (better) {
            best = at;
            bestWidth = width;
            bestHeight = height;
        }
        at += 2 + pixels;
    }
    if (best == count) return {};
    // The words are 0xAARRGGBB, not premultiplied: exactly QImage's ARGB32 as numbers.
    QImage image(int(bestWidth), int(bestHeight), QImage::Format_ARGB32);
    if (image.isNull()) return {};
    for (std::uint32_t y = 0; y < bestHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (std::uint32_t x = 0; x < bestWidth; ++x)
            row[x] = words[best + 2 + std::size_t(y) * bestWidth + x];
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage read(X11CaptureConnection& connection, std::uint32_t window, int side) {
    xcb_connection_t* c = connection.xcb();
    if (c == nullptr || connection.broken()) return {};
    // Several sizes of up to 256 pixels fit easily; a larger property is cut and then refused.
    constexpr std::uint32_t maxWords = 1u << 20;
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(c, 0, window, connection.atom("_NET_WM_ICON"), XCB_ATOM_CARDINAL, 0, maxWords);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_CARDINAL) return {};
    const auto count = std::size_t(xcb_get_property_value_length(reply.get())) / 4;
    return decode(static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())), count, side);
}

} // namespace quorvane::X11WindowIcon
