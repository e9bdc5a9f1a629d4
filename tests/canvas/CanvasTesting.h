#pragma once

// What the canvas tests share: the picture they edit and a Redact Text review that stands in for
// the real one (which needs the recogniser; the settings care only that it stops and lets go of
// its document).

#include "canvas/EditorCanvasSettings.h"
#include "canvas/TextRedactionReview.h"
#include "document/EditorDocument.h"
#include "support/TestAnnotations.h"

namespace quorvane::test {

// 200 × 100, blue above white, so that a flip shows.
inline QImage blueOverWhite() {
    return twoToneImage(200, 100, Qt::blue, Qt::white);
}

class FakeTextRedactionReview : public TextRedactionReview {
public:
    explicit FakeTextRedactionReview(EditorDocument* document) : document_(document) {}
    void cancel() override { ++cancels; }
    EditorDocument* document() const override { return document_; }
    std::optional<Toggle> toggle(const QPointF&) override { return std::nullopt; }
    int cancels = 0;

private:
    EditorDocument* document_;
};

// Opens a Redact Text review of `document` and shows area colours, the two smart modes that
// every tool and mode switch ends.
inline FakeTextRedactionReview* openSmartModes(EditorCanvasSettings& settings, EditorDocument& document) {
    auto* review = new FakeTextRedactionReview(&document);
    settings.modes().setTextRedaction(review);
    document.setTextRedactionReview(review);
    settings.modes().setAreaColors(AreaColors{QRectF(0, 0, 2, 2), SampledColor{1, 2, 3, 255}, std::nullopt});
    return review;
}

} // namespace quorvane::test
