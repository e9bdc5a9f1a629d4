#pragma once

#include "canvas/ColorSampler.h"
#include "canvas/EdgeMeasurer.h"
#include "canvas/PrecisionToolInput.h"
#include "canvas/ToolTable.h"

#include <QImage>
#include <QString>
#include <memory>

namespace quorvane {

class Beeper;
class Clipboard;
class EditorCanvasView;
class RulerOverlayView;

// The Color and Ruler tools in the canvas: the loupe and the hover rulers that follow the pointer,
// the manual ruler, and copying a pixel's or an area's colour. Both sample the probe rendering
// (crop-sized, with every annotation), reading grids built once per document revision.
class PrecisionTools : public PrecisionToolInput {
public:
    static constexpr int spanTolerance = 12;

    PrecisionTools(EditorCanvasView& view, Clipboard& clipboard, Beeper& beeper);

    void hover(const QPointF& at) override;
    void exited() override;
    void configure() override;
    std::optional<QRectF> colorArea(const QPointF& from, const QPointF& to) override;
    void sampleColor(const QPointF& from, const QPointF& to, bool rgb) override;
    void clearRulers() override;
    void measure(const QPointF& anchor, const QPointF& to, bool constrain) override;

    // Refreshes the loupe and the hovered colour for view point `at`.
    void updateLoupe(const QPointF& at);
    // Refreshes the two hover rulers for view point `at`.
    void updateEdgeSpans(const QPointF& at);
    // Copies the colour of the pixel under view point `at`; beeps outside the image.
    void copyColor(const QPointF& at, bool rgb);
    // The image pixel under a view point; it may lie outside the image.
    std::pair<int, int> pixel(const QPointF& at) const;
    // Where the loupe goes for the pointer at `at` in a view of `bounds`.
    static QPointF loupeOrigin(const QPointF& at, const QRectF& bounds);

private:
    bool live(ToolTable::Tool tool) const;
    // The probe image, dropping the grids when it was rendered anew.
    const QImage* probe();
    bool copyText(const QString& text);
    void setMeasurement(RulerOverlayView& ruler, const std::optional<Measurement>& value);
    bool manualRulerBusy() const;

    EditorCanvasView& view_;
    Clipboard& clipboard_;
    Beeper& beeper_;
    qint64 probeKey_ = -1;
    std::unique_ptr<ColorSampler> sampler_;
    std::shared_ptr<const EdgeGrid> edgeGrid_;
};

} // namespace quorvane
