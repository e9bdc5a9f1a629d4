#pragma once

#include <QSizeF>
#include <QString>
#include <array>
#include <optional>

namespace quorvane {

// The entries of the expand-canvas sheet and what follows from them: the four margins, why they
// cannot be applied, and the size before and after. A plain value; an empty field is none.
class ExpandCanvasModel {
public:
    enum class Mode { padding, size };
    static constexpr std::array<Mode, 2> allModes = {Mode::padding, Mode::size};
    static QString rawValue(Mode mode);
    static std::optional<Mode> modeNamed(const QString& rawValue);
    static QString label(Mode mode);

    // Padding mode with every side 0; the size fields hold the source size, truncated.
    explicit ExpandCanvasModel(const QSizeF& source);

    QSizeF source;
    Mode mode = Mode::padding;
    std::optional<int> top, left, bottom, right;
    std::optional<int> width, height;

    // Top, left, bottom, right; none unless the entries give a usable set.
    std::optional<std::array<int, 4>> padding() const;
    std::optional<QString> problem() const;
    // "1200 × 800 → 1240 × 840 px", or "1200 × 800 → – px" without a usable result.
    QString summary() const;

    // A typed entry: its ASCII digits only, the first six of them; none when none is left.
    static std::optional<int> entry(const QString& typed);
    static QString fieldText(const std::optional<int>& value);

    bool operator==(const ExpandCanvasModel& other) const;
};

} // namespace quorvane
