#include "canvas/ToolTable.h"

#include "document/SystemColors.h"

namespace quorvane {
namespace {

const QString effectNote =
    QStringLiteral("Visual effect only — not a privacy guarantee. Use Redact for sensitive information.");

} // namespace

const std::vector<ToolTable::Row>& ToolTable::rows() {
    static const std::vector<Row> table = {
        {Tool::pan, QStringLiteral("Pan"), QLatin1Char('h'), std::nullopt, std::nullopt},
        {Tool::select, QStringLiteral("Select"), QLatin1Char('v'), std::nullopt, std::nullopt},
        {Tool::arrow, QStringLiteral("Arrow"), QLatin1Char('a'), std::nullopt,
         QStringLiteral("Drag from start to point. A switches straight and curved; drag the round handle to "
                        "adjust a curve.")},
        {Tool::rectangle, QStringLiteral("Rectangle"), QLatin1Char('r'), std::nullopt, std::nullopt},
        {Tool::oval, QStringLiteral("Oval"), QLatin1Char('o'), std::nullopt, std::nullopt},
        {Tool::bracket, QStringLiteral("Bracket"), QLatin1Char('k'), std::nullopt,
         QStringLiteral(
             "Drag along what you want to bracket — it snaps vertical or horizontal. K switches [ ] { }.")},
        {Tool::text, QStringLiteral("Text"), QLatin1Char('t'), std::nullopt, std::nullopt},
        {Tool::freehand, QStringLiteral("Freehand"), QLatin1Char('f'), std::nullopt, std::nullopt},
        {Tool::highlight, QStringLiteral("Highlight"), QLatin1Char('g'), SystemColors::yellow(),
         std::nullopt},
        {Tool::spotlight, QStringLiteral("Spotlight"), QLatin1Char('s'), std::nullopt, std::nullopt},
        {Tool::counter, QStringLiteral("Counter"), QLatin1Char('n'), std::nullopt, std::nullopt},
        {Tool::magnifier, QStringLiteral("Magnifier"), QLatin1Char('z'), std::nullopt, std::nullopt},
        {Tool::redact, QStringLiteral("Redact"), QLatin1Char('x'), SystemColors::black(),
         QStringLiteral("Opaque cover for sensitive information")},
        {Tool::blur, QStringLiteral("Blur"), QLatin1Char('b'), std::nullopt, effectNote},
        {Tool::pixelate, QStringLiteral("Pixelate"), QLatin1Char('p'), std::nullopt, effectNote},
        {Tool::erase, QStringLiteral("Erase"), QLatin1Char('e'), std::nullopt,
         QStringLiteral("Covers an object on a plain background with the background color — not a privacy "
                        "guarantee.")},
        // The RGB modifier is Alt on this desktop.
        {Tool::color, QStringLiteral("Color"), QLatin1Char('i'), std::nullopt,
         QStringLiteral("Click to copy the color as HEX; drag to copy an area's average; Alt copies RGB.")},
        {Tool::ruler, QStringLiteral("Ruler"), QLatin1Char('m'), std::nullopt,
         QStringLiteral("Hover to measure edge to edge; drag to measure; Shift locks the axis; Esc clears.")},
    };
    return table;
}

const QStringList& ToolTable::names() {
    static const QStringList list = [] {
        QStringList names;
        for (const Row& row : rows())
            names << row.name;
        return names;
    }();
    return list;
}

const ToolTable::Row* ToolTable::find(const QString& name) {
    for (const Row& row : rows())
        if (row.name == name) return &row;
    return nullptr;
}

const ToolTable::Row* ToolTable::forKey(QChar key) {
    for (const Row& row : rows())
        if (row.key == key) return &row;
    return nullptr;
}

const ToolTable::Row& ToolTable::row(Tool tool) {
    // The rows are in the order of the enum.
    return rows()[static_cast<std::size_t>(tool)];
}

const QString& ToolTable::name(Tool tool) {
    return row(tool).name;
}

QString ToolTable::title(const QString& name) {
    const Row* found = find(name);
    return found == nullptr ? name : title(found->tool);
}

QString ToolTable::title(Tool tool) {
    const Row& found = row(tool);
    return found.name + QStringLiteral(" (") + found.key.toUpper() + QStringLiteral(")");
}

std::optional<AnnotationKind> ToolTable::drawingKind(Tool tool, AnnotationKind bracketKind) {
    switch (tool) {
    case Tool::pan:
    case Tool::select:
    case Tool::color:
    case Tool::ruler:
        return std::nullopt;
    case Tool::arrow:
        return AnnotationKind::arrow;
    case Tool::rectangle:
        return AnnotationKind::rectangle;
    case Tool::oval:
        return AnnotationKind::oval;
    case Tool::bracket:
        return bracketKind;
    case Tool::text:
        return AnnotationKind::text;
    case Tool::freehand:
        return AnnotationKind::freehand;
    case Tool::highlight:
        return AnnotationKind::highlight;
    case Tool::spotlight:
        return AnnotationKind::spotlight;
    case Tool::counter:
        return AnnotationKind::counter;
    case Tool::magnifier:
        return AnnotationKind::magnifier;
    case Tool::redact:
        return AnnotationKind::redact;
    case Tool::blur:
        return AnnotationKind::blur;
    case Tool::pixelate:
        return AnnotationKind::pixelate;
    case Tool::erase:
        return AnnotationKind::erase;
    }
    return std::nullopt;
}

const std::array<ToolTable::ArrowChoice, 2>& ToolTable::arrowChoices() {
    static const std::array<ArrowChoice, 2> choices = {{
        {false, QStringLiteral("arrow.up.right"), QStringLiteral("Straight arrow")},
        {true, QStringLiteral("point.topleft.down.curvedto.point.bottomright.up"),
         QStringLiteral("Curved arrow")},
    }};
    return choices;
}

const std::array<ToolTable::BracketChoice, 4>& ToolTable::bracketChoices() {
    static const std::array<BracketChoice, 4> choices = {{
        {AnnotationKind::bracketOpen, QStringLiteral("["), QStringLiteral("opening bracket")},
        {AnnotationKind::bracketClose, QStringLiteral("]"), QStringLiteral("closing bracket")},
        {AnnotationKind::braceOpen, QStringLiteral("{"), QStringLiteral("opening brace")},
        {AnnotationKind::braceClose, QStringLiteral("}"), QStringLiteral("closing brace")},
    }};
    return choices;
}

} // namespace quorvane
