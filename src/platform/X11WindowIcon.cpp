#include "platform/X11WindowIcon.h"

#include "platform/X11CaptureConnection.h"
#include "platform/X11IconPixmap.h"

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace quorvane::X11WindowIcon {
namespace {

template<class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// WM_HINTS: flags, input, initial state, icon pixmap, icon window, icon x, icon y, icon mask,
// window group; programs of the first ICCCM leave the group out.
constexpr std::uint32_t minHintWords = 8;
constexpr std::uint32_t iconPixmapHint = 1u << 2;
constexpr std::uint32_t iconMaskHint = 1u << 5;

// The true-colour channels of a depth on this screen; the usual ones when no visual says.
void colourMasks(const xcb_setup_t* setup, int depth, X11IconPixmap::Layout& layout) {
    layout.redMask = 0xff0000;
    layout.greenMask = 0x00ff00;
    layout.blueMask = 0x0000ff;
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem > 0; xcb_screen_next(&screen))
        for (auto d = xcb_screen_allowed_depths_iterator(screen.data); d.rem > 0; xcb_depth_next(&d)) {
            if (d.data->depth != depth) continue;
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v))
                if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) {
                    layout.redMask = v.data->red_mask;
                    layout.greenMask = v.data->green_mask;
                    layout.blueMask = v.data->blue_mask;
                    return;
                }
        }
}

enum class Depths { any, bitmapOnly };

// A pixmap of another program: its size is checked before its pixels are asked for.
QImage readPixmap(xcb_connection_t* c, std::uint32_t pixmap, Depths depths) {
    if (pixmap == XCB_NONE) return {};
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), &error),
                                             &std::free);
    std::free(error);
    if (!geometry || geometry->width == 0 || geometry->height == 0 || geometry->width > maxSide ||
        geometry->height > maxSide || (depths == Depths::bitmapOnly && geometry->depth != 1))
        return {};
    const xcb_setup_t* setup = xcb_get_setup(c);
    X11IconPixmap::Layout layout;
    layout.depth = geometry->depth;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem > 0; xcb_format_next(&f))
        if (f.data->depth == geometry->depth) {
            layout.bitsPerPixel = f.data->bits_per_pixel;
            layout.scanlinePad = f.data->scanline_pad;
        }
    layout.mostSignificantByteFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    layout.mostSignificantBitFirst = setup->bitmap_format_bit_order == XCB_IMAGE_ORDER_MSB_FIRST;
    if (layout.depth > 1) colourMasks(setup, layout.depth, layout);
    error = nullptr;
    Reply<xcb_get_image_reply_t> image(
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, geometry->width,
                                          geometry->height, ~std::uint32_t{0}),
                            &error),
        &std::free);
    std::free(error);
    if (!image) return {};
    return X11IconPixmap::decode(layout, xcb_get_image_data(image.get()),
                                 std::size_t(xcb_get_image_data_length(image.get())), geometry->width,
                                 geometry->height);
}

QImage readHints(xcb_connection_t* c, std::uint32_t window) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9),
                               nullptr),
        &std::free);
    if (!reply || reply->format != 32 ||
        std::uint32_t(xcb_get_property_value_length(reply.get())) < minHintWords * 4)
        return {};
    const auto* hints = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    if (!(hints[0] & iconPixmapHint)) return {};
    const QImage icon = readPixmap(c, hints[3], Depths::any);
    if (icon.isNull() || !(hints[0] & iconMaskHint)) return icon;
    const QImage mask = readPixmap(c, hints[7], Depths::bitmapOnly);
    // A mask that cannot be read or is no bitmap hides nothing.
    return mask.isNull() ? icon : X11IconPixmap::masked(icon, mask);
}

} // namespace

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
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_CARDINAL) {
        const auto count = std::size_t(xcb_get_property_value_length(reply.get())) / 4;
        QImage icon = decode(static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())), count, side);
        if (!icon.isNull()) return icon;
    }
    return readHints(c, window);
}

} // namespace quorvane::X11WindowIcon
