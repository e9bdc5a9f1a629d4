#pragma once

#include "platform/X11CompositorWatch.h"

#include <QObject>
#include <QRegion>

class QWidget;

namespace quorvane {

// Clips a translucent floating panel to its rounded outline while no compositing manager runs:
// without one the X server shows the panel's transparent margin and corners black. While one
// runs the panel keeps its soft, see-through edges, so the clip goes and comes back with it.
class RoundedOutline : public QObject {
    Q_OBJECT

public:
    // The outline is the window's rectangle less `inset` on every side, with corners of `radius`.
    RoundedOutline(QWidget& window, int inset, double radius);

    // The pixels of a window of `size` whose centres lie inside that outline, half a pixel in from
    // its rounded corners.
    static QRegion region(QSize size, int inset, double radius);
    // Whether the window is clipped now.
    bool clips() const { return !watch_.running(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QWidget& window_;
    const int inset_;
    const double radius_;
    X11CompositorWatch watch_;
};

} // namespace quorvane
