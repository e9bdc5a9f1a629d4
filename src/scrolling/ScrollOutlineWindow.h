#pragma once

// The outline around a scrolling capture's region: the region grown by 2 points, drawn as four
// strips that lie wholly outside the region, so that a frame never shows them and they need not
// be taken off the screen for every frame.

#include <QRect>
#include <QRectF>
#include <array>
#include <memory>

namespace quorvane {

class ScrollOutlineView;

class ScrollOutlineWindow {
public:
    static constexpr int margin = 2;

    // `region` in global points.
    explicit ScrollOutlineWindow(const QRectF& region);
    ~ScrollOutlineWindow();
    ScrollOutlineWindow(const ScrollOutlineWindow&) = delete;
    ScrollOutlineWindow& operator=(const ScrollOutlineWindow&) = delete;

    void show();
    void hide();

    // The region grown by the margin, whole points outward.
    const QRect& frame() const { return frame_; }
    // Top, bottom, left, right.
    static std::array<QRect, 4> strips(const QRect& frame);
    const std::array<std::unique_ptr<ScrollOutlineView>, 4>& views() const { return views_; }

private:
    QRect frame_;
    std::array<std::unique_ptr<ScrollOutlineView>, 4> views_;
};

} // namespace quorvane
