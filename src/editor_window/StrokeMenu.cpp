#include "editor_window/StrokeMenu.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromeText.h"
#include "editor_window/MenuSection.h"

#include <QActionGroup>
#include <QMenu>

namespace quorvane {

StrokeMenu::StrokeMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent)
    : MenuButton(icons, parent), settings_(settings) {
    ChromeAccessible::install();
    setIndicatorVisible(false);
    setFixedLabelWidth(30);
    setToolTip(QStringLiteral("Stroke width and fill"));
    setAccessibleName(QStringLiteral("Stroke width and fill"));

    auto* menu = new QMenu(this);
    menu->setAccessibleName(accessibleName());
    MenuSection::add(*menu, QStringLiteral("Stroke"));
    auto* group = new QActionGroup(menu);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const int width : strokeWidths) {
        QAction* action = menu->addAction(QString::number(width) + QStringLiteral(" px"));
        action->setCheckable(true);
        action->setData(width);
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, width] { settings_.style().setStrokeWidth(width); });
    }
    menu->addSeparator();
    fill_ = menu->addAction(QStringLiteral("Fill Shapes"));
    fill_->setCheckable(true);
    connect(fill_, &QAction::triggered, this, [this](bool on) { settings_.style().setFill(on); });
    setMenu(menu);
    connect(&settings_.style(), &ToolStyle::strokeWidthChanged, this, &StrokeMenu::refresh);
    connect(&settings_.style(), &ToolStyle::fillChanged, this, &StrokeMenu::refresh);
    refresh();
}

QString StrokeMenu::accessibilityValue() const {
    return ChromeText::wholeNumber(settings_.style().strokeWidth()) + QStringLiteral(" pixels") +
           (settings_.style().fill() ? QStringLiteral(", filled") : QString());
}

void StrokeMenu::refresh() {
    setLabelSymbol(settings_.style().fill() ? QStringLiteral("square.fill") : QStringLiteral("lineweight"));
    fill_->setChecked(settings_.style().fill());
    for (QAction* action : menu()->actions())
        if (action != fill_ && action->isCheckable())
            action->setChecked(action->data().toDouble() == settings_.style().strokeWidth());
    ChromeAccessible::valueChanged(*this);
}

} // namespace quorvane
