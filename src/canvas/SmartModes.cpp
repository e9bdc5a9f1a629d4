#include "canvas/SmartModes.h"

#include "document/EditorDocument.h"

#include <algorithm>

namespace quorvane {

SmartModes::SmartModes(EditorCanvasSettings& settings, Clipboard& clipboard)
    : settings_(settings), clipboard_(clipboard) {}

const std::set<AnnotationKind>& SmartModes::smartSelectKinds() {
    using K = AnnotationKind;
    static const std::set<AnnotationKind> kinds = {K::rectangle, K::oval,      K::redact, K::blur,
                                                   K::pixelate,  K::highlight, K::erase};
    return kinds;
}

bool SmartModes::supportsSmartSelection() const {
    if (settings_.modes().textRedaction() != nullptr) return false;
    if (settings_.modes().cropping() || settings_.modes().recognizing()) return true;
    const auto kind = settings_.style().drawingKind();
    return kind && smartSelectKinds().count(*kind) != 0;
}

void SmartModes::showSmartSelection(const SmartSelection::Outcome& outcome) {
    using C = SmartSelection::Outcome::Case;
    if (outcome.kind == C::region) {
        settings_.modes().setSelection(outcome.box);
        const QString action = settings_.modes().cropping() ? QStringLiteral("Return crops")
                               : settings_.modes().recognizing()
                                   ? QStringLiteral("Return recognizes the text")
                                   : QStringLiteral("Return adds the ") + settings_.style().tool().toLower();
        // Whole pixels by truncation: a 120.9-pixel box reads as 120.
        const QString width = QString::number(static_cast<long long>(outcome.box.width()));
        const QString height = QString::number(static_cast<long long>(outcome.box.height()));
        settings_.modes().setMessage(QStringLiteral("Smart selection ") + width + QStringLiteral(" \u00d7 ") +
                                     height + QStringLiteral(": ") + action +
                                     QStringLiteral(", arrows adjust, or drag to select by hand."));
        settings_.announce(QStringLiteral("Smart selection ") + width + QStringLiteral(" by ") + height +
                           QStringLiteral(" pixels. ") + action + QStringLiteral("."));
        return;
    }
    settings_.modes().setSelection(std::nullopt);
    switch (outcome.kind) {
    case C::touchesEveryEdge:
        say(QStringLiteral("That area runs to every edge of the image. Drag to select by hand."));
        break;
    case C::noClearEdge:
        say(QStringLiteral("No clear edge around that area (gradient or texture). Drag to select by hand."));
        break;
    case C::tooSmall:
        say(QStringLiteral("That area is too small to select. Drag to select by hand."));
        break;
    case C::tooLarge:
        say(QStringLiteral("That area is too large to trace. Drag to select by hand."));
        break;
    case C::region:
    case C::unavailable:
        break;
    }
}

void SmartModes::duplicate(const QUuid& id, EditorDocument& document) {
    const auto& annotations = document.annotations();
    const auto original =
        std::find_if(annotations.begin(), annotations.end(), [&](const Annotation& a) { return a.id == id; });
    const bool erase = original != annotations.end() && original->kind == AnnotationKind::erase;
    if (const auto copy = document.duplicateAnnotation(id)) {
        settings_.modes().setSelectedID(*copy);
    } else if (erase) {
        // The copy's background check refused its new place.
        say(QStringLiteral(
            "Erase needs a plain background around the object. Draw the box a little larger, or "
            "use Redact or Rectangle."));
    } else {
        settings_.modes().setSelectedID(std::nullopt);
    }
}

void SmartModes::copyColorText(const QString& text) {
    if (!clipboard_.writeText(text)) {
        // Saying "Copied" for a clipboard that refused would leave the user pasting something else.
        say(QStringLiteral("Could not copy ") + text + QStringLiteral(": the clipboard refused it."));
        return;
    }
    settings_.modes().setMessage(QStringLiteral("Copied ") + text);
    settings_.announce(QStringLiteral("Copied color ") + text);
}

void SmartModes::say(const QString& text) {
    settings_.modes().setMessage(text);
    settings_.announce(text);
}

} // namespace quorvane
