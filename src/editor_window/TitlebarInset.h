#pragma once

namespace quorvane {

// How far the editor window's content keeps clear of a title bar drawn over it, in points. An
// X11 window manager draws its title bar outside our window, so on this desktop the inset stays
// zero; the editor view is the one place that would set it.
struct TitlebarInset {
    double top = 0;
    double leading = 0;
    double bottom = 0;
    double trailing = 0;

    bool operator==(const TitlebarInset&) const = default;
};

} // namespace quorvane
