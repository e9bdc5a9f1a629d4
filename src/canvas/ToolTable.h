#pragma once

#include "document/AnnotationKind.h"

#include <QChar>
#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace quorvane {

// The editor's tools in tool-bar order: each one's name, one-letter key, default colour and note,
// in one table. The canvas settings publish the current tool by its name; this table is where a
// name finds its row.
class ToolTable {
public:
    enum class Tool {
        pan,
        select,
        arrow,
        rectangle,
        oval,
        bracket,
        text,
        freehand,
        highlight,
        spotlight,
        counter,
        magnifier,
        redact,
        blur,
        pixelate,
        erase,
        color,
        ruler,
    };

    struct Row {
        Tool tool;
        QString name;
        QChar key; // lower case; the crop key "c" belongs to no tool
        std::optional<QColor> color;
        std::optional<QString> note;
    };

    struct ArrowChoice {
        bool curved;
        QString symbol; // icon name
        QString name;
    };
    struct BracketChoice {
        AnnotationKind kind;
        QString glyph;
        QString name;
    };

    static const std::vector<Row>& rows();
    static const QStringList& names();
    // None for a name that is not a tool.
    static const Row* find(const QString& name);
    static const Row* forKey(QChar key);
    static const Row& row(Tool tool);
    // The name people see for `tool`.
    static const QString& name(Tool tool);
    // "Arrow (A)"; a name without a key comes back unchanged.
    static QString title(const QString& name);
    static QString title(Tool tool);
    // What `tool` draws: its own kind, the chosen shape for Bracket, nothing for Pan, Select,
    // Color and Ruler.
    static std::optional<AnnotationKind> drawingKind(Tool tool, AnnotationKind bracketKind);

    static const std::array<ArrowChoice, 2>& arrowChoices();
    static const std::array<BracketChoice, 4>& bracketChoices();
};

} // namespace quorvane
