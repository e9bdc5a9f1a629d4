#include "canvas/PrecisionTools.h"

#include "canvas/ColorLoupeView.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/RulerOverlayView.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"
#include "recognition/AreaColorSampler.h"

#include <QPointer>
#include <cmath>

namespace quorvane {

PrecisionTools::PrecisionTools(EditorCanvasView& view, Clipboard& clipboard, Beeper& beeper)
    : view_(view), clipboard_(clipboard), beeper_(beeper) {}

bool PrecisionTools::live(ToolTable::Tool tool) const {
    const EditorCanvasSettings& settings = view_.settings();
    return settings.style().toolKind() == tool && !settings.modes().cropping() &&
           !settings.modes().recognizing();
}

const QImage* PrecisionTools::probe() {
    const EditorDocument* doc = view_.document();
    if (doc == nullptr) return nullptr;
    if (probeKey_ != doc->revision()) {
        sampler_.reset();
        edgeGrid_.reset();
        probeKey_ = doc->revision();
    }
    return view_.probe();
}

bool PrecisionTools::manualRulerBusy() const {
    return view_.gesture().rulerAnchor || view_.rulerManual().measurement;
}

void PrecisionTools::hover(const QPointF& at) {
    if (view_.settings().modes().cropping() || view_.settings().modes().recognizing()) return;
    if (view_.settings().style().toolKind() == ToolTable::Tool::color)
        updateLoupe(at);
    else if (view_.settings().style().toolKind() == ToolTable::Tool::ruler && !manualRulerBusy())
        updateEdgeSpans(at);
}

void PrecisionTools::exited() {
    view_.loupe().hide();
    view_.settings().modes().setHoverColor(std::nullopt);
    if (manualRulerBusy()) return;
    setMeasurement(view_.rulerHorizontal(), std::nullopt);
    setMeasurement(view_.rulerVertical(), std::nullopt);
    configure();
}

std::pair<int, int> PrecisionTools::pixel(const QPointF& at) const {
    const QPointF p = view_.transform().imagePoint(at);
    // A point with no finite image position has no pixel; one far outside stands in for it.
    const auto whole = [](double v) {
        return std::isfinite(v) ? static_cast<int>(std::clamp(std::floor(v), -1e9, 1e9)) : -1;
    };
    return {whole(p.x()), whole(p.y())};
}

QPointF PrecisionTools::loupeOrigin(const QPointF& at, const QRectF& bounds) {
    const double w = ColorLoupeView::loupeWidth;
    const double h = ColorLoupeView::loupeHeight;
    double x = at.x() + 24;
    if (bounds.right() - 8 < at.x() + 24 + w) x = at.x() - w - 24;
    double y = at.y() + 24;
    if (bounds.bottom() - 8 < at.y() + 24 + h) y = at.y() - h - 24;
    return {x, y};
}

void PrecisionTools::updateLoupe(const QPointF& at) {
    const QImage* image = probe();
    if (image == nullptr) return;
    if (!sampler_) sampler_ = ColorSampler::make(*image);
    const auto [x, y] = pixel(at);
    const auto color = sampler_ ? sampler_->color(x, y) : std::nullopt;
    ColorLoupeView& loupe = view_.loupe();
    EditorCanvasSettings& settings = view_.settings();
    if (!color) {
        loupe.hide();
        if (settings.modes().hoverColor()) settings.modes().setHoverColor(std::nullopt);
        return;
    }
    loupe.update(*sampler_, x, y);
    const QPointF origin = loupeOrigin(at, QRectF(view_.rect()));
    loupe.setGeometry(
        QRectF(origin, QSizeF(ColorLoupeView::loupeWidth, ColorLoupeView::loupeHeight)).toRect());
    loupe.show();
    loupe.raise();
    if (settings.modes().hoverColor() != color) settings.modes().setHoverColor(color);
}

void PrecisionTools::setMeasurement(RulerOverlayView& ruler, const std::optional<Measurement>& value) {
    if (ruler.measurement == value) return;
    ruler.measurement = value;
    ruler.update();
}

void PrecisionTools::updateEdgeSpans(const QPointF& at) {
    const QImage* image = probe();
    if (image == nullptr) return;
    if (!edgeGrid_) edgeGrid_ = EdgeGrid::make(*image);
    const QPointF p = view_.transform().imagePoint(at);
    const auto span = [&](EdgeMeasurer::Axis axis) {
        return edgeGrid_ ? EdgeMeasurer::span(*edgeGrid_, p, axis, spanTolerance) : std::nullopt;
    };
    setMeasurement(view_.rulerHorizontal(), span(EdgeMeasurer::Axis::horizontal));
    setMeasurement(view_.rulerVertical(), span(EdgeMeasurer::Axis::vertical));
    configure();
}

void PrecisionTools::configure() {
    EditorCanvasSettings& settings = view_.settings();
    RulerOverlayView* rulers[] = {&view_.rulerHorizontal(), &view_.rulerVertical(), &view_.rulerManual()};
    const bool rulerLive = live(ToolTable::Tool::ruler);
    if (!rulerLive && (edgeGrid_ || view_.rulerManual().measurement || view_.rulerHorizontal().measurement)) {
        view_.gesture().rulerAnchor.reset();
        for (RulerOverlayView* ruler : rulers)
            setMeasurement(*ruler, std::nullopt);
        edgeGrid_.reset();
    }
    if (!live(ToolTable::Tool::color)) {
        view_.loupe().hide();
        sampler_.reset();
    }
    const EditorDocument* doc = view_.document();
    const double pixelScale = doc != nullptr ? doc->pixelScale() : 1.0;
    for (RulerOverlayView* ruler : rulers) {
        ruler->setGeometry(view_.rect());
        ruler->toView = [view = QPointer<EditorCanvasView>(&view_)](const QPointF& p) {
            if (view == nullptr) return p;
            const CanvasTransform t = view->transform();
            const QRectF shown = t.imageRect();
            return QPointF(p.x() * t.zoom + shown.x(), p.y() * t.zoom + shown.y());
        };
        ruler->unit = settings.style().measurementUnit();
        ruler->pixelScale = pixelScale;
        ruler->increaseContrast = settings.increaseContrast;
        ruler->setVisible(rulerLive && ruler->measurement);
        if (ruler->isVisible()) ruler->raise();
        ruler->update();
    }
    std::optional<QString> label;
    const auto text = [&](const Measurement& m) {
        return m.label(settings.style().measurementUnit(), pixelScale);
    };
    if (const auto& manual = view_.rulerManual().measurement) {
        label = text(*manual);
    } else {
        QStringList parts;
        if (const auto& m = view_.rulerHorizontal().measurement)
            parts << QStringLiteral("\u2194 ") + text(*m);
        if (const auto& m = view_.rulerVertical().measurement) parts << QStringLiteral("\u2195 ") + text(*m);
        if (!parts.isEmpty()) label = parts.join(QStringLiteral("   "));
    }
    if (settings.modes().measurementLabel() != label) settings.modes().setMeasurementLabel(label);
}

void PrecisionTools::clearRulers() {
    setMeasurement(view_.rulerHorizontal(), std::nullopt);
    setMeasurement(view_.rulerVertical(), std::nullopt);
    setMeasurement(view_.rulerManual(), std::nullopt);
}

void PrecisionTools::measure(const QPointF& anchor, const QPointF& to, bool constrain) {
    setMeasurement(view_.rulerManual(), Measurement::between(anchor, to, constrain));
}

bool PrecisionTools::copyText(const QString& text) {
    if (clipboard_.writeText(text)) return true;
    // Saying "Copied" for a clipboard that refused would leave the user pasting something else.
    const QString refusal =
        QStringLiteral("Could not copy ") + text + QStringLiteral(": the clipboard refused it.");
    view_.settings().modes().setMessage(refusal);
    view_.settings().announce(refusal);
    return false;
}

void PrecisionTools::copyColor(const QPointF& at, bool rgb) {
    const QImage* image = probe();
    if (image == nullptr) return;
    if (!sampler_) sampler_ = ColorSampler::make(*image);
    const auto [x, y] = pixel(at);
    const auto color = sampler_ ? sampler_->color(x, y) : std::nullopt;
    if (!color) {
        beeper_.beep();
        return;
    }
    const QString text = rgb ? color->rgbString() : color->hex();
    if (!copyText(text)) return;
    view_.settings().modes().setMessage(QStringLiteral("Copied ") + text);
    view_.settings().announce(QStringLiteral("Copied color ") + text);
}

std::optional<QRectF> PrecisionTools::colorArea(const QPointF& from, const QPointF& to) {
    if (std::hypot(to.x() - from.x(), to.y() - from.y()) <= 3.0) return std::nullopt;
    const EditorDocument* doc = view_.document();
    if (doc == nullptr) return std::nullopt;
    const CanvasTransform t = view_.transform();
    const QPointF a = t.imagePoint(from);
    const QPointF b = t.imagePoint(to);
    if (!geom::isFinite(a) || !geom::isFinite(b)) return std::nullopt;
    const QRectF span(QPointF(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                      QPointF(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
    const QRectF area =
        geom::intersection(geom::integral(span), QRectF(QPointF(0, 0), doc->cropRect().size()));
    if (geom::isNull(area) || geom::isEmpty(area)) return std::nullopt;
    return area;
}

void PrecisionTools::sampleColor(const QPointF& from, const QPointF& to, bool rgb) {
    const auto area = colorArea(from, to);
    EditorCanvasSettings& settings = view_.settings();
    if (!area) {
        settings.modes().setSelection(std::nullopt);
        copyColor(from, rgb);
        return;
    }
    const QImage* image = probe();
    if (image == nullptr) return;
    const auto colors = AreaColorSampler::sample(*area, *image);
    if (!colors) return;
    settings.modes().setSelection(area);
    settings.modes().setAreaColors(colors);
    const QString text = rgb ? colors->average.rgbString() : colors->average.hex();
    if (copyText(text)) {
        QString message = QStringLiteral("Copied average ") + text;
        if (colors->text) message += QStringLiteral(", text color ") + colors->text->hex();
        settings.modes().setMessage(message);
        settings.announce(QStringLiteral("Copied average color ") + text);
    }
    view_.update();
}

} // namespace quorvane
