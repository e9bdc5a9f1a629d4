#include "editor_window/ZoomMenu.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromeText.h"
#include "editor_window/EditorChrome.h"
#include "editor_window/MenuItemAccessible.h"

#include <QMenu>

namespace quorvane {

ZoomMenu::ZoomMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent)
    : MenuButton(icons, parent), settings_(settings) {
    ChromeAccessible::install();
    const QString fits = ChromeText::shortcut(Qt::CTRL | Qt::Key_0);
    setToolTip(QStringLiteral("Zoom (") + fits + QStringLiteral(" fits, ") +
               ChromeText::shortcut(Qt::CTRL | Qt::Key_Equal) + QStringLiteral(" and ") +
               ChromeText::shortcut(Qt::CTRL | Qt::Key_Minus) + QStringLiteral(" zoom)"));
    setAccessibleName(QStringLiteral("Zoom"));

    auto* menu = new QMenu(this);
    menu->setAccessibleName(accessibleName());
    // The key after the tab is shown, not registered.
    QAction* fit = menu->addAction(QStringLiteral("Fit to Window\t") + fits);
    MenuItemAccessible::showsKeyInText(*fit);
    connect(fit, &QAction::triggered, this, [this] { settings_.fitImage(); });
    menu->addSeparator();
    for (const int percent : EditorChrome::zoomLevels)
        connect(menu->addAction(QString::number(percent) + QLatin1Char('%')), &QAction::triggered, this,
                [this, percent] { zoomTo(percent); });
    menu->addSeparator();
    pixelated_ = menu->addAction(QStringLiteral("Pixelated"));
    pixelated_->setCheckable(true);
    connect(pixelated_, &QAction::triggered, this,
            [this](bool on) { settings_.viewport().setPixelated(on); });
    setMenu(menu);
    connect(&settings_.viewport(), &CanvasViewport::fitChanged, this, &ZoomMenu::refresh);
    connect(&settings_.viewport(), &CanvasViewport::zoomFractionChanged, this, &ZoomMenu::refresh);
    connect(&settings_.viewport(), &CanvasViewport::pixelatedChanged, this, &ZoomMenu::refresh);
    refresh();
}

void ZoomMenu::zoomTo(int percent) {
    const auto hold = settings_.holdChanges();
    settings_.viewport().setFit(false);
    settings_.viewport().setZoomFraction(percent / 100.0);
    settings_.viewport().setPan(QPointF(0, 0));
    settings_.modes().setMessage(QString());
}

void ZoomMenu::refresh() {
    setLabelText(settings_.viewport().fit() ? QStringLiteral("Fit")
                                            : ChromeText::percent(settings_.viewport().zoomFraction()));
    pixelated_->setChecked(settings_.viewport().pixelated());
    ChromeAccessible::valueChanged(*this);
}

} // namespace quorvane
