#pragma once

#include "editor_window/ToolBarLayout.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <map>
#include <optional>

namespace quorvane {

class ColorWell;
class EditorCanvasSettings;
class EditorDocument;
class MoreToolsMenu;
class StrokeMenu;
class SymbolIcons;
class TextSizeMenu;
class ToolButton;

// The tool part of the tool bar: the tools in their groups, the More tools menu, crop, the colour
// well and the text-size or stroke menu. Of its variants (0, 2, 3 … 10 tools folded into the
// More menu) it shows the widest whose natural width fits the width it is given, else the
// 10-hidden one; its size hint is that narrowest variant, so the row around it can always
// shrink to it. Choosing a variant never changes the hint, so a resize cannot loop.
class ToolArea : public QWidget {
    Q_OBJECT

public:
    ToolArea(EditorDocument& document, EditorCanvasSettings& settings, const SymbolIcons& icons,
             QWidget* parent = nullptr);

    // Natural width of the variant that hides `hiding` tools.
    int variantWidth(int hiding) const;
    // The hiding count of the variant that `width` shows.
    int hidingFor(int width) const;
    int shownHiding() const { return shown_; }

    // The visible items left to right: tool names, "|" for a divider, "More", "Crop", "Color
    // well", "Text size" or "Stroke"; read from the widgets' places.
    QStringList visibleItems() const;

    ToolButton* toolButton(ToolTable::Tool tool) const;
    MoreToolsMenu* moreMenu() const { return more_; }
    ToolButton* cropButton() const { return crop_; }
    ColorWell* colorWell() const { return well_; }
    TextSizeMenu* textSizeMenu() const { return textSize_; }
    StrokeMenu* strokeMenu() const { return stroke_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Item {
        QWidget* widget;
        QString label;
    };

    std::vector<Item> items(int hiding) const;
    void place();
    void refreshTools();
    void refreshMenus();

    EditorDocument& document_;
    EditorCanvasSettings& settings_;
    std::map<ToolTable::Tool, ToolButton*> tools_;
    std::array<QWidget*, 4> dividers_{};
    MoreToolsMenu* more_ = nullptr;
    ToolButton* crop_ = nullptr;
    ColorWell* well_ = nullptr;
    TextSizeMenu* textSize_ = nullptr;
    StrokeMenu* stroke_ = nullptr;
    bool showsTextSize_ = false;
    int shown_ = -1;
};

} // namespace quorvane
