#pragma once

#include "adjustments/ImageResampler.h"

#include <QSize>
#include <QSizeF>
#include <QString>
#include <optional>

namespace quorvane {

class EditorDocument;

// The resize sheet's form: the two typed output sides (none while a field is empty or
// unreadable), the aspect lock and the resampling quality, over the document's crop size.
class ResizeModel {
public:
    ResizeModel(const QSizeF& source, double pixelScale, const std::optional<QSizeF>& outputSize,
                ImageResampler::Quality quality);
    // The form of `document`: its output size (or crop size) rounded, its quality, the lock on.
    static ResizeModel of(const EditorDocument& document);

    QSizeF source() const { return source_; }
    double pixelScale() const { return pixelScale_; }
    std::optional<int> width() const { return width_; }
    std::optional<int> height() const { return height_; }
    bool lockAspect() const { return lockAspect_; }
    ImageResampler::Quality quality() const { return quality_; }
    void setLockAspect(bool value) { lockAspect_ = value; }
    void setQuality(ImageResampler::Quality value) { quality_ = value; }

    // Both sides at `percent` of the crop's whole-pixel sides; the lock plays no part.
    void apply(int percent);
    // The crop size in points, only when there are more pixels than points.
    std::optional<QSize> logicalSize() const;
    void applyLogical();

    // Typed text: its number characters, the first seven, as a decimal side; any other digit
    // (a fraction, another script) or none at all empties the side. With the lock on, a typed
    // side carries the other along.
    void typeWidth(const QString& text);
    void typeHeight(const QString& text);
    // The field's text: the side in plain decimal, empty while absent.
    static QString fieldText(std::optional<int> side);
    static std::optional<int> parseSide(const QString& text);

    // "1200 × 800 → 600 × 400 px · 0.2 MP", or "… → – px" while the size cannot be used.
    QString summary() const;
    // Why Resize cannot run, or none.
    std::optional<QString> problem() const;
    // The size Resize stores, none while there is a problem.
    std::optional<QSizeF> size() const;
    // "Logical size (÷ 2) · 800 × 600" and its accessibility label; the scale in the system locale.
    QString logicalTitle() const;
    QString logicalAccessibilityLabel() const;

    bool operator==(const ResizeModel&) const = default;

private:
    QSizeF source_;
    double pixelScale_ = 1;
    std::optional<int> width_;
    std::optional<int> height_;
    bool lockAspect_ = true;
    ImageResampler::Quality quality_ = ImageResampler::Quality::highQuality;
};

} // namespace quorvane
