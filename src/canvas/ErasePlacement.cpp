#include "canvas/ErasePlacement.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "document/SystemColors.h"

namespace quorvane {
namespace {

Annotation eraseShaped(AnnotationKind kind, const QRectF& rect, const QColor& color) {
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.rect = rect;
    a.start = rect.topLeft();
    a.end = QPointF(geom::maxX(rect), geom::maxY(rect));
    a.color = color;
    a.strokeWidth = 3.0;
    a.fill = false;
    a.fontSize = 24.0;
    a.opacity = 1.0;
    a.magnification = 2.0;
    return a;
}

} // namespace

std::optional<ErasePlacement::Outcome> ErasePlacement::check(const QRectF& rect) {
    const EditorDocument* document = view_.document();
    const QImage* probe = document != nullptr ? view_.probe() : nullptr;
    if (probe == nullptr) return std::nullopt;
    const QRectF crop = document->cropRect();
    const QRectF box = geom::offsetBy(rect, -crop.x(), -crop.y());
    const auto cover = EraseCheck::coverRect(box, 1, QRectF(0, 0, probe->width(), probe->height()));
    if (!cover) return EraseCheck::Refusal{EraseCheck::unavailableMessage};
    const EraseCheck::Outcome outcome = EraseCheck::evaluate(*cover, *probe);
    if (std::holds_alternative<EraseCheck::Busy>(outcome))
        return EraseCheck::Refusal{EraseCheck::busyMessage};
    if (!std::holds_alternative<EraseCheck::Plain>(outcome))
        return EraseCheck::Refusal{EraseCheck::unavailableMessage};
    const auto plain = std::get<EraseCheck::Plain>(outcome);
    return eraseShaped(AnnotationKind::erase, geom::offsetBy(*cover, crop.x(), crop.y()),
                       QColor(plain.red, plain.green, plain.blue, plain.alpha));
}

std::optional<Annotation> ErasePlacement::checkedErase(const QRectF& rect) {
    const auto outcome = check(rect);
    if (!outcome) return std::nullopt;
    EditorCanvasSettings& settings = view_.settings();
    if (const auto* erase = std::get_if<Annotation>(&*outcome)) {
        view_.gesture().eraseRefusal.reset();
        if (!settings.modes().message().isEmpty()) settings.modes().setMessage(QString());
        return *erase;
    }
    const QString& message = std::get<EraseCheck::Refusal>(*outcome).message;
    view_.gesture().eraseRefusal = message;
    if (settings.modes().message() != message) settings.modes().setMessage(message);
    // A box that misses the canvas has no outline: a null rectangle would make an annotation
    // with infinite corners.
    const EditorDocument* document = view_.document();
    if (document == nullptr) return std::nullopt;
    const QRectF outline = geom::intersection(geom::standardized(rect), document->cropRect());
    if (geom::isNull(outline) || geom::isEmpty(outline) || !geom::isFinite(outline)) return std::nullopt;
    Annotation refusal = eraseShaped(AnnotationKind::rectangle, outline, SystemColors::red());
    refusal.strokeWidth = std::max(2 * document->pixelScale(), 1.0);
    return refusal;
}

void ErasePlacement::placeErase(const QRectF& rect) {
    const auto outcome = check(rect);
    if (!outcome) return;
    EditorCanvasSettings& settings = view_.settings();
    if (const auto* refusal = std::get_if<EraseCheck::Refusal>(&*outcome)) {
        settings.modes().setMessage(refusal->message);
        settings.announce(refusal->message);
        return;
    }
    const Annotation& erase = std::get<Annotation>(*outcome);
    EditorDocument* document = view_.document();
    if (document == nullptr) return;
    settings.modes().setSelection(std::nullopt);
    document->addAnnotation(erase);
    settings.modes().setSelectedID(erase.id);
    settings.announce(QStringLiteral("Erase added"));
}

std::optional<Annotation> ErasePlacement::revalidatedErase(const Annotation& erase) {
    const EditorDocument* document = view_.document();
    if (document == nullptr) return std::nullopt;
    auto result = document->resampledErase(erase);
    if (result) return std::move(result).value();
    EditorCanvasSettings& settings = view_.settings();
    settings.modes().setMessage(result.error().message);
    settings.announce(result.error().message);
    return std::nullopt;
}

} // namespace quorvane
