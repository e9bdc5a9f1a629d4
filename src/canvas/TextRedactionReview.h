#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
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
};

} // namespace quorvane
