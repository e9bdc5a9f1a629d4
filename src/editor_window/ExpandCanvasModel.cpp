#include "editor_window/ExpandCanvasModel.h"

#include "document/EditorDocument.h"

namespace quorvane {

QString ExpandCanvasModel::rawValue(Mode mode) {
    return mode == Mode::padding ? QStringLiteral("padding") : QStringLiteral("size");
}

std::optional<ExpandCanvasModel::Mode> ExpandCanvasModel::modeNamed(const QString& rawValue) {
    for (const Mode m : allModes)
        if (ExpandCanvasModel::rawValue(m) == rawValue) return m;
    return std::nullopt;
}

QString ExpandCanvasModel::label(Mode mode) {
    return mode == Mode::padding ? QStringLiteral("Padding") : QStringLiteral("Size");
}

ExpandCanvasModel::ExpandCanvasModel(const QSizeF& sourceSize)
    : source(sourceSize), top(0), left(0), bottom(0), right(0), width(static_cast<int>(sourceSize.width())),
      height(static_cast<int>(sourceSize.height())) {}

std::optional<std::array<int, 4>> ExpandCanvasModel::padding() const {
    if (mode == Mode::size) {
        if (!width || !height) return std::nullopt;
        const int dx = *width - static_cast<int>(source.width());
        const int dy = *height - static_cast<int>(source.height());
        if (dx < 0 || dy < 0) return std::nullopt;
        // An odd pixel goes to the bottom and the right.
        return std::array{dy / 2, dx / 2, dy - dy / 2, dx - dx / 2};
    }
    if (!top || !left || !bottom || !right) return std::nullopt;
    return std::array{*top, *left, *bottom, *right};
}

std::optional<QString> ExpandCanvasModel::problem() const {
    if (const auto margins = padding()) {
        const auto [t, l, b, r] = *margins;
        if (t == 0 && l == 0 && b == 0 && r == 0) return QStringLiteral("Add at least one pixel.");
        return EditorDocument::outputSizeProblem(QSizeF(source.width() + l + r, source.height() + t + b));
    }
    if (mode == Mode::padding || !width || !height) return QStringLiteral("Enter a value for every field.");
    return QStringLiteral("The canvas only grows here; use Crop to make it smaller.");
}

QString ExpandCanvasModel::summary() const {
    const QString before = QString::number(static_cast<int>(source.width())) + QStringLiteral(" × ") +
                           QString::number(static_cast<int>(source.height())) + QStringLiteral(" → ");
    const auto margins = padding();
    if (!margins || problem()) return before + QStringLiteral("– px");
    const auto [t, l, b, r] = *margins;
    return before + QString::number(static_cast<int>(source.width() + l + r)) + QStringLiteral(" × ") +
           QString::number(static_cast<int>(source.height() + t + b)) + QStringLiteral(" px");
}

std::optional<int> ExpandCanvasModel::entry(const QString& typed) {
    QString digits;
    for (const QChar c : typed) {
        if (digits.size() == 6) break;
        // QChar::isDigit would take Arabic-Indic and other digits too.
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digits += c;
    }
    if (digits.isEmpty()) return std::nullopt;
    return digits.toInt();
}

QString ExpandCanvasModel::fieldText(const std::optional<int>& value) {
    return value ? QString::number(*value) : QString();
}

bool ExpandCanvasModel::operator==(const ExpandCanvasModel& other) const {
    return source.width() == other.source.width() && source.height() == other.source.height() &&
           mode == other.mode && top == other.top && left == other.left && bottom == other.bottom &&
           right == other.right && width == other.width && height == other.height;
}

} // namespace quorvane
