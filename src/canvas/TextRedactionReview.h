#pragma once

#include <QObject>

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
};

} // namespace quorvane
