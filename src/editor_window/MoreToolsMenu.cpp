#include "editor_window/MoreToolsMenu.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/ChromeAccessible.h"
#include "editor_window/EditorChrome.h"
#include "editor_window/SymbolIcons.h"

#include <QEvent>
#include <QMenu>
#include <algorithm>

namespace quorvane {
namespace {

const QString moreSymbol = QStringLiteral("ellipsis.circle");

} // namespace

MoreToolsMenu::MoreToolsMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent)
    : MenuButton(icons, parent), settings_(settings), icons_(icons) {
    ChromeAccessible::install();
    setAccessibleName(QStringLiteral("More tools"));
    setMenu(new QMenu(this));
    menu()->setAccessibleName(accessibleName());
    connect(&settings_.style(), &ToolStyle::toolChanged, this, &MoreToolsMenu::refresh);
    for (auto signal : {&PaneModes::croppingChanged, &PaneModes::recognizingChanged})
        connect(&settings_.modes(), signal, this, &MoreToolsMenu::refresh);
    refresh();
}

void MoreToolsMenu::setTools(const std::vector<ToolTable::Tool>& tools) {
    if (tools == tools_) return;
    tools_ = tools;
    QStringList titles;
    for (const ToolTable::Tool tool : tools_)
        titles << ToolTable::title(tool);
    // With nothing folded in, the menu is hidden and has nothing to list.
    setToolTip(titles.isEmpty() ? QString() : QStringLiteral("More tools: ") + titles.join(QStringLiteral(", ")));
    rebuildMenu();
    refresh();
}

std::optional<ToolTable::Tool> MoreToolsMenu::active() const {
    if (settings_.modes().cropping() || settings_.modes().recognizing()) return std::nullopt;
    const auto tool = settings_.style().toolKind();
    if (!tool || std::ranges::find(tools_, *tool) == tools_.end()) return std::nullopt;
    return tool;
}

QString MoreToolsMenu::accessibilityValue() const {
    const auto tool = active();
    return tool ? ToolTable::name(*tool) + QStringLiteral(" tool") : QString();
}

void MoreToolsMenu::refresh() {
    const auto tool = active();
    setLabelSymbol(tool ? EditorChrome::symbol(*tool).value_or(moreSymbol) : moreSymbol);
    setHighlighted(tool.has_value());
    ChromeAccessible::valueChanged(*this);
}

void MoreToolsMenu::rebuildMenu() {
    QMenu* items = menu();
    items->clear();
    const QColor color = palette().color(QPalette::WindowText);
    const QColor disabled = palette().color(QPalette::Disabled, QPalette::WindowText);
    for (const ToolTable::Tool tool : tools_) {
        const QString symbol = EditorChrome::symbol(tool).value_or(QStringLiteral("questionmark"));
        QAction* action = items->addAction(icons_.icon(symbol, color, disabled), ToolTable::title(tool));
        connect(action, &QAction::triggered, this, [this, tool] { settings_.choose(tool); });
    }
}

void MoreToolsMenu::changeEvent(QEvent* event) {
    // The items' symbols are drawn in the palette's colours.
    if (event->type() == QEvent::PaletteChange) rebuildMenu();
    MenuButton::changeEvent(event);
}

} // namespace quorvane
