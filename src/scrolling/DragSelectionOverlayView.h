#pragma once

// What the drag-selection overlay draws over one display: the hint before a drag, then the
// selection's outline and its size in pixels. View coordinates are points from the display's
// top left.

#include "scrolling/DragScrollDisplay.h"

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane {

class DragSelectionOverlayView : public QWidget {
    Q_OBJECT

public:
    explicit DragSelectionOverlayView(QWidget* parent = nullptr);

    static QString hintText();
    // The pills' text: 12 px, medium weight, white.
    static const QFont& pillFont();

    struct Pill {
        QString text;
        QRectF rect;
    };
    struct Layout {
        std::optional<Pill> hint;
        // The selection in view coordinates, not grown.
        std::optional<QRectF> outline;
        std::optional<Pill> size;
    };
    // Where everything goes for a view of `bounds` (points, at the origin).
    static Layout layout(const DragScrollDisplay& display, const std::optional<QRectF>& selection,
                         const QRectF& bounds);
    static void paint(QPainter& painter, const Layout& layout, bool highContrast);
    // What must stay visible where no compositor blends the window: the outline's band and the
    // pills, in view coordinates.
    static std::vector<QRectF> visibleParts(const Layout& layout, bool highContrast);

    void setContent(const DragScrollDisplay& display, const std::optional<QRectF>& selection);
    const Layout& currentLayout() const { return layout_; }

    // Read at every paint.
    std::function<bool()> increaseContrast = [] { return false; };

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Layout layout_;
};

} // namespace quorvane
