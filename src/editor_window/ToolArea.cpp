#include "editor_window/ToolArea.h"

#include "canvas/AccessibleGroup.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"
#include "editor_window/BracketTool.h"
#include "editor_window/ColorWell.h"
#include "editor_window/EditorChrome.h"
#include "editor_window/MoreToolsMenu.h"
#include "editor_window/StrokeMenu.h"
#include "editor_window/TextSizeMenu.h"

#include <QFrame>
#include <set>

namespace quorvane {
namespace {

constexpr int spacing = 2;
constexpr int dividerWidth = 9; // a 1-point line with 4 points on each side
constexpr int areaHeight = 26;

QWidget* makeDivider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    line->setFixedSize(dividerWidth, 18);
    line->setContentsMargins(4, 0, 4, 0);
    AccessibleGroup::markDecoration(*line);
    return line;
}

bool showsTextSize(const EditorCanvasSettings& settings, const EditorDocument& document) {
    const auto tool = settings.style().toolKind();
    if (tool == ToolTable::Tool::text || tool == ToolTable::Tool::counter) return true;
    const auto& id = settings.modes().selectedID();
    if (!id) return false;
    for (const Annotation& annotation : document.annotations())
        if (annotation.id == *id)
            return annotation.kind == AnnotationKind::text || annotation.kind == AnnotationKind::counter;
    return false;
}

} // namespace

ToolArea::ToolArea(EditorDocument& document, EditorCanvasSettings& settings, const SymbolIcons& icons,
                   QWidget* parent)
    : QWidget(parent), document_(document), settings_(settings) {
    AccessibleGroup::expose(*this, QAccessible::Grouping, QStringLiteral("Tools"));
    for (const ToolTable::Row& row : ToolTable::rows()) {
        ToolButton* button = nullptr;
        if (row.tool == ToolTable::Tool::bracket) {
            button = new BracketTool(settings_, icons, this);
        } else {
            const QString symbol =
                row.tool == ToolTable::Tool::arrow
                    ? settings_.arrowSymbol()
                    : EditorChrome::symbol(row.tool).value_or(QStringLiteral("questionmark"));
            button = new ToolButton(
                icons, symbol, ToolTable::title(row.tool), row.note,
                [this, tool = row.tool] { settings_.choose(tool); }, this);
        }
        button->setObjectName(row.name);
        tools_[row.tool] = button;
    }
    for (QWidget*& divider : dividers_)
        divider = makeDivider(this);
    more_ = new MoreToolsMenu(settings_, icons, this);
    crop_ = new ToolButton(
        icons, QStringLiteral("crop"), QStringLiteral("Crop (C)"),
        QStringLiteral("Drag or press an arrow key to select, then Return."),
        [this] { settings_.toggleCrop(); }, this);
    well_ = new ColorWell(settings_, this);
    textSize_ = new TextSizeMenu(settings_, icons, this);
    stroke_ = new StrokeMenu(settings_, icons, this);

    for (auto signal : {&ToolStyle::toolChanged, &ToolStyle::arrowCurvedChanged})
        connect(&settings_.style(), signal, this, &ToolArea::refreshTools);
    for (auto signal : {&PaneModes::croppingChanged, &PaneModes::recognizingChanged})
        connect(&settings_.modes(), signal, this, &ToolArea::refreshTools);
    for (auto signal : {&ToolStyle::toolChanged, &ToolStyle::bracketKindChanged})
        connect(&settings_.style(), signal, this, &ToolArea::refreshMenus);
    connect(&settings_.modes(), &PaneModes::selectedIDChanged, this, &ToolArea::refreshMenus);
    connect(&document_, &EditorDocument::annotationsChanged, this, &ToolArea::refreshMenus);
    refreshTools();
    showsTextSize_ = showsTextSize(settings_, document_);
    refreshMenus();
    place();
}

std::vector<ToolArea::Item> ToolArea::items(int hiding) const {
    const ToolBarLayout layout = ToolBarLayout::hiding(hiding);
    std::vector<Item> row;
    for (std::size_t group = 0; group < layout.groups.size(); ++group) {
        if (group > 0) row.push_back({dividers_[group - 1], QStringLiteral("|")});
        for (const ToolTable::Tool tool : layout.groups[group])
            row.push_back({tools_.at(tool), ToolTable::name(tool)});
    }
    if (!layout.more.empty()) row.push_back({more_, QStringLiteral("More")});
    row.push_back({dividers_[2], QStringLiteral("|")});
    row.push_back({crop_, QStringLiteral("Crop")});
    row.push_back({dividers_[3], QStringLiteral("|")});
    row.push_back({well_, QStringLiteral("Color well")});
    if (showsTextSize_)
        row.push_back({textSize_, QStringLiteral("Text size")});
    else
        row.push_back({stroke_, QStringLiteral("Stroke")});
    return row;
}

int ToolArea::variantWidth(int hiding) const {
    int width = 0;
    for (const Item& item : items(hiding))
        width += item.widget->sizeHint().width() + spacing;
    return width - spacing;
}

int ToolArea::hidingFor(int width) const {
    for (const int hiding : ToolBarLayout::overflowSteps)
        if (variantWidth(hiding) <= width) return hiding;
    return ToolBarLayout::overflowSteps.back();
}

QSize ToolArea::sizeHint() const {
    return {variantWidth(ToolBarLayout::overflowSteps.back()), areaHeight};
}

void ToolArea::resizeEvent(QResizeEvent*) {
    place();
}

void ToolArea::place() {
    const int hiding = hidingFor(width());
    const std::vector<Item> row = items(hiding);
    std::set<QWidget*> shown;
    int x = 0;
    for (const Item& item : row) {
        const QSize size = item.widget->sizeHint();
        item.widget->setGeometry(x, (std::max(areaHeight, height()) - size.height()) / 2, size.width(),
                                 size.height());
        x += size.width() + spacing;
        shown.insert(item.widget);
    }
    // Hide before showing, so that no hidden widget is ever drawn over a shown one.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!shown.contains(child) && !child->isHidden()) child->hide();
    for (QWidget* widget : shown)
        if (widget->isHidden()) widget->show();
    if (hiding != shown_) {
        shown_ = hiding;
        more_->setTools(ToolBarLayout::hiding(hiding).more);
    }
}

QStringList ToolArea::visibleItems() const {
    std::vector<std::pair<int, QString>> placed;
    const auto label = [this](QWidget* widget) -> QString {
        if (widget == more_) return QStringLiteral("More");
        if (widget == crop_) return QStringLiteral("Crop");
        if (widget == well_) return QStringLiteral("Color well");
        if (widget == textSize_) return QStringLiteral("Text size");
        if (widget == stroke_) return QStringLiteral("Stroke");
        if (std::find(dividers_.begin(), dividers_.end(), widget) != dividers_.end())
            return QStringLiteral("|");
        return widget->objectName();
    };
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden()) placed.emplace_back(child->x(), label(child));
    std::sort(placed.begin(), placed.end());
    QStringList labels;
    for (const auto& [x, text] : placed)
        labels << text;
    return labels;
}

ToolButton* ToolArea::toolButton(ToolTable::Tool tool) const {
    const auto found = tools_.find(tool);
    return found == tools_.end() ? nullptr : found->second;
}

void ToolArea::refreshTools() {
    const bool modal = settings_.modes().cropping() || settings_.modes().recognizing();
    for (const ToolTable::Row& row : ToolTable::rows()) {
        if (row.tool == ToolTable::Tool::bracket) continue; // it follows the settings itself
        tools_.at(row.tool)->setActive(!modal && settings_.style().toolKind() == row.tool);
    }
    tools_.at(ToolTable::Tool::arrow)->setSymbol(settings_.arrowSymbol());
    crop_->setActive(settings_.modes().cropping());
}

void ToolArea::refreshMenus() {
    const bool textSize = showsTextSize(settings_, document_);
    stroke_->setEnabled(!settings_.strokeAndFillDisabled(document_));
    if (textSize == showsTextSize_) return;
    showsTextSize_ = textSize;
    // The two menus differ in width, so every variant's width changes with them.
    updateGeometry();
    place();
}

} // namespace quorvane
