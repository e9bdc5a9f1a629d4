#pragma once

#include "canvas/ToolTable.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

class QMenu;
class QToolButton;

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;
class ElidedLabel;
class SymbolIcons;
class ValueSpinBox;

// The one setting that matters for the current tool or the selected annotation: a magnifier's
// magnification, a selected counter's number or a spotlight's shape, then a usage hint while
// nothing is selected. Edits go through the settings so that the tool and a selected annotation
// of that kind change together. Follows the document and the settings by itself.
class AnnotationToolProperties : public QWidget {
    Q_OBJECT

public:
    AnnotationToolProperties(EditorDocument& document, EditorCanvasSettings& settings,
                             const SymbolIcons& icons, QWidget* parent = nullptr);

    static std::optional<QString> hint(std::optional<ToolTable::Tool> tool, std::int64_t next);
    // "1.5×", "2×": the shortest form, without the process locale.
    static QString magnificationText(double value);
    static constexpr double magnifications[] = {1.5, 2, 3, 4};

private:
    void refresh();
    void stepTo(int number);

    QPointer<EditorDocument> document_;
    EditorCanvasSettings& settings_;
    const SymbolIcons& icons_;
    QToolButton* magnification_ = nullptr;
    QMenu* magnificationMenu_ = nullptr;
    ValueSpinBox* step_ = nullptr;
    QToolButton* spotlight_ = nullptr;
    QMenu* spotlightMenu_ = nullptr;
    ElidedLabel* hint_ = nullptr;
};

} // namespace quorvane
