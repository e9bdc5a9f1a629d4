#pragma once

// How far one posted wheel click moves the content being captured, learned from the stitched
// frames. On X11 a click carries no distance: the application decides (xterm moves five lines,
// 95 pixels in an 11-point font and 65 in its default one; a GTK view about 83; some a page). A
// step the run asks for in pixels becomes the whole clicks that come nearest to it, once clicks
// were seen to move the content; until then one click. A step never asks for more clicks than
// twice the most that moved content before (an application that speeds up repeated clicks shows
// it on the way), nor for more than the stitcher can match between two frames.

#include <optional>

namespace quorvane {

class WheelClickDistance {
public:
    // The most of the frame's height one step may move, counting each click as the farthest one
    // seen: the stitcher matches up to 85 % of the part that scrolls, which fixed bars make
    // shorter than the frame.
    static constexpr double maxFrameShare = 0.6;

    // `clicks` posted (either direction) moved the content `rows` rows between two frames. A step
    // that moved nothing teaches nothing: the content may have ended, or not moved yet.
    void observe(int clicks, int rows);
    // Signed clicks for a step of `pixels` content pixels (negative shows content further down)
    // in a frame `frameRows` high: none for no step, else at least one.
    int clicks(double pixels, int frameRows) const;
    // Rows one click moves on average; none until a click was seen to move the content.
    std::optional<double> rowsPerClick() const;

    // Signed whole clicks of `perClick` pixels nearest to `pixels`: none for no step, else at
    // least one.
    static int wholeClicks(double pixels, double perClick);

private:
    long clicks_ = 0;
    long rows_ = 0;
    // The most rows one click of a step moved, and the most clicks of a step that moved content.
    double farthest_ = 0;
    int mostClicks_ = 0;
};

} // namespace quorvane
