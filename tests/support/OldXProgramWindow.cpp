// A window of an older X program, as xcalc or xeyes make theirs: it names its program only in
// WM_CLASS and gives its icon only as a pixmap in WM_HINTS, with no process id and no
// _NET_WM_ICON. Plain xcb, so that no toolkit adds either.
//
//   quorvane_old_x_program TITLE [--class BYTES] [--icon DEPTH] [--mask] [--bad-pixmap]
//
// --class sets WM_CLASS to BYTES with "\0" standing for a zero byte (none: no WM_CLASS). --icon
// gives a 20 × 18 icon pixmap of depth 1, 24 or 32: its left half set (black for a bitmap, red at
// 24, half-transparent green at 32), its right half clear (white, blue, transparent). --mask adds
// a bitmap mask that hides the top 4 rows. --bad-pixmap names a pixmap that does not exist.
// Prints "ready" once the window is mapped, and stays until it is killed.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <xcb/xcb.h>

namespace {

constexpr int iconWidth = 20;
constexpr int iconHeight = 18;

std::string unescape(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '0') {
            bytes.push_back('\0');
            ++i;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

// A pixmap whose left half is filled with `left` and right half with `right`.
xcb_pixmap_t halves(xcb_connection_t* c, xcb_window_t root, int depth, std::uint32_t left, std::uint32_t right,
                    int width, int height) {
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, static_cast<std::uint8_t>(depth), pixmap, root, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, XCB_GC_FOREGROUND, &left);
    const xcb_rectangle_t leftHalf{0, 0, static_cast<std::uint16_t>(width / 2), static_cast<std::uint16_t>(height)};
    xcb_poly_fill_rectangle(c, pixmap, gc, 1, &leftHalf);
    xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &right);
    const xcb_rectangle_t rightHalf{static_cast<std::int16_t>(width / 2), 0,
                                    static_cast<std::uint16_t>(width - width / 2),
                                    static_cast<std::uint16_t>(height)};
    xcb_poly_fill_rectangle(c, pixmap, gc, 1, &rightHalf);
    xcb_free_gc(c, gc);
    return pixmap;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string title = argv[1];
    bool hasClass = false, mask = false, badPixmap = false;
    std::string wmClass;
    int depth = 0;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--class") == 0 && i + 1 < argc) {
            hasClass = true;
            wmClass = unescape(argv[++i]);
        } else if (std::strcmp(argv[i], "--icon") == 0 && i + 1 < argc) {
            depth = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--mask") == 0) {
            mask = true;
        } else if (std::strcmp(argv[i], "--bad-pixmap") == 0) {
            badPixmap = true;
        } else {
            return 2;
        }
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 100, 100, 300, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                      values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(title.size()), title.data());
    if (hasClass)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
    if (depth != 0 || badPixmap) {
        // flags, input, initial state, icon pixmap, icon window, icon x, icon y, icon mask, group
        std::uint32_t hints[9] = {1u | (1u << 2), 1, 1, 0, 0, 0, 0, 0, 0};
        if (badPixmap) {
            hints[3] = 0x3fffff;
        } else if (depth == 1) {
            hints[3] = halves(c, screen->root, 1, 1, 0, iconWidth, iconHeight);
        } else if (depth == 24) {
            hints[3] = halves(c, screen->root, 24, 0xff0000, 0x0000ff, iconWidth, iconHeight);
        } else if (depth == 32) {
            hints[3] = halves(c, screen->root, 32, 0x80008000, 0, iconWidth, iconHeight);
        } else {
            return 2;
        }
        if (mask && !badPixmap) {
            const xcb_pixmap_t bits = halves(c, screen->root, 1, 1, 1, iconWidth, iconHeight);
            const xcb_gcontext_t gc = xcb_generate_id(c);
            const std::uint32_t clear = 0;
            xcb_create_gc(c, gc, bits, XCB_GC_FOREGROUND, &clear);
            const xcb_rectangle_t top{0, 0, iconWidth, 4};
            xcb_poly_fill_rectangle(c, bits, gc, 1, &top);
            xcb_free_gc(c, gc);
            hints[0] |= 1u << 5;
            hints[7] = bits;
        }
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                            hints);
    }
    xcb_map_window(c, window);
    xcb_flush(c);
    bool announced = false;
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        if ((event->response_type & 0x7f) == XCB_EXPOSE && !announced) {
            std::puts("ready");
            std::fflush(stdout);
            announced = true;
        }
        std::free(event);
    }
    xcb_disconnect(c);
    return 0;
}
