#include "editor_window/TextSizeMenu.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromeText.h"
#include "editor_window/MenuSection.h"

#include <QActionGroup>
#include <QMenu>

namespace quorvane {

TextSizeMenu::TextSizeMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent)
    : MenuButton(icons, parent), settings_(settings) {
    ChromeAccessible::install();
    setFixedLabelWidth(38);
    QFont labelFont = font();
    labelFont.setPixelSize(12);
    labelFont.setWeight(QFont::Medium);
    setFont(labelFont);
    setToolTip(QStringLiteral("Text size"));
    setAccessibleName(QStringLiteral("Text size"));

    auto* menu = new QMenu(this);
    menu->setAccessibleName(accessibleName());
    MenuSection::add(*menu, QStringLiteral("Text Size"));
    auto* group = new QActionGroup(menu);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const int size : EditorCanvasSettings::textSizes) {
        QAction* action = menu->addAction(QString::number(size) + QStringLiteral(" pt"));
        action->setCheckable(true);
        action->setData(size);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, size] { settings_.style().setFontPoints(size); });
    }
    setMenu(menu);
    connect(&settings_.style(), &ToolStyle::fontPointsChanged, this, &TextSizeMenu::refresh);
    refresh();
}

QString TextSizeMenu::accessibilityValue() const {
    return ChromeText::wholeNumber(settings_.style().fontPoints()) + QStringLiteral(" points");
}

void TextSizeMenu::refresh() {
    const double points = settings_.style().fontPoints();
    setLabelText(ChromeText::wholeNumber(points));
    for (QAction* action : menu()->actions())
        if (action->isCheckable()) action->setChecked(action->data().toDouble() == points);
    ChromeAccessible::valueChanged(*this);
}

} // namespace quorvane
