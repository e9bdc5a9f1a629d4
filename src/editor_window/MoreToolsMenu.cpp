#include "editor_window/MoreToolsMenu.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/ChromeAccessible.h"
#include "editor_window/EditorChrome.h"
#include "editor_window/SymbolIcons.h"

#include <QEvent>
#include <QMenu>

namespace quorvane {
namespace {

const QString moreSymbol = QStringLiteral("ellipsis.circle");

} // namespace

MoreToolsMenu::MoreToolsMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent)
    : MenuButton(icons, parent), settings_(settings), icons_(icons) {
    ChromeAccessible::install();
    setAccessibleName(QStringLiteral("More tools"));
    setMenu(new QMenu(this));
    connect(&settings_.style(), &ToolStyle::toolChanged, this, &MoreToolsMenu::refresh);
    for (auto signal : {&PaneModes::croppingChanged, &PaneModes::recognizingChanged})
        connect(&settings_.modes(), signal, this, &MoreToolsMenu::refresh);
    refresh();
}

void MoreToolsMenu::setTools(const QStringList& tools) {
    if (tools == tools_) return;
    tools_ = tools;
    QStringList titles;
    for (const QString& name : tools_)
        titles << EditorCanvasSettings::toolTitle(name);
    setToolTip(QStringLiteral("More tools: ") + titles.join(QStringLiteral(", ")));
    rebuildMenu();
    refresh();
}

std::optional<QString> MoreToolsMenu::active() const {
    if (settings_.modes().cropping() || settings_.modes().recognizing()) return std::nullopt;
    if (!tools_.contains(settings_.style().tool())) return std::nullopt;
    return settings_.style().tool();
}

QString MoreToolsMenu::accessibilityValue() const {
    const auto tool = active();
    return tool ? *tool + QStringLiteral(" tool") : QString();
}

void MoreToolsMenu::refresh() {
    const auto tool = active();
    setLabelSymbol(tool ? EditorChrome::symbol(*tool).value_or(moreSymbol) : moreSymbol);
    setHighlighted(tool.has_value());
}

void MoreToolsMenu::rebuildMenu() {
    QMenu* items = menu();
    items->clear();
    const QColor color = palette().color(QPalette::WindowText);
    const QColor disabled = palette().color(QPalette::Disabled, QPalette::WindowText);
    for (const QString& name : tools_) {
        const QString symbol = EditorChrome::symbol(name).value_or(QStringLiteral("questionmark"));
        QAction* action =
            items->addAction(icons_.icon(symbol, color, disabled), EditorCanvasSettings::toolTitle(name));
        action->setData(name);
        connect(action, &QAction::triggered, this, [this, name] { settings_.choose(name); });
    }
}

void MoreToolsMenu::changeEvent(QEvent* event) {
    // The items' symbols are drawn in the palette's colours.
    if (event->type() == QEvent::PaletteChange) rebuildMenu();
    MenuButton::changeEvent(event);
}

} // namespace quorvane
