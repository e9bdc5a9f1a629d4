#pragma once

// The heads-up panel's window: a floating panel that never takes the keyboard, whose buttons act
// on the first click; click-through while a drag drives the capture, so that the drag is not
// disturbed. Shaped to its rounded outline, so that no compositor is needed for the corners.

#include "scrolling/ScrollHUDModel.h"

#include <QWidget>
#include <functional>

namespace quorvane {

class ScrollHUDView;

class ScrollHUDPanel : public QWidget {
    Q_OBJECT

public:
    enum class Clicks { accepted, passThrough };

    ScrollHUDPanel(ScrollHUDModel& model, Clicks clicks, std::function<bool()> reduceMotion);

    static QString title() { return QStringLiteral("Scrolling Capture"); }

    ScrollHUDView& view() const { return *view_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ScrollHUDView* view_;
};

} // namespace quorvane
