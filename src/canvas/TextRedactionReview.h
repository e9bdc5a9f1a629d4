#pragma once

#include "canvas/HighContrastStyle.h"

#include <QObject>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

namespace quorvane {

class EditorDocument;

// An open Redact Text review as the canvas settings see it: something to stop, tied to the
// document it reviews.
class TextRedactionReview : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Stops the review's recognition; it shows nothing more afterwards.
    virtual void cancel() = 0;
    // The reviewed document, while it exists.
    virtual EditorDocument* document() const = 0;

    // What a click on a reviewed word did: whether the word is now to be covered, and its text.
    struct Toggle {
        bool included = false;
        QString text;
    };
    // Includes or leaves out the word under `imagePoint` (base-image pixels); none off every word.
    virtual std::optional<Toggle> toggle(const QPointF& imagePoint) = 0;
    // Draws the reviewed boxes over the canvas; `toView` maps document pixels to the view.
    virtual void drawPreview(QPainter& painter, const HighContrastStyle& style,
                             const std::function<QRectF(const QRectF&)>& toView) const {
        Q_UNUSED(painter)
        Q_UNUSED(style)
        Q_UNUSED(toView)
    }
};

} // namespace quorvane
