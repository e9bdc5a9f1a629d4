#include "editor_window/CompositionMenus.h"

#include "canvas/CanvasActionRouter.h"
#include "document/CanvasAlignment.h"
#include "editor_window/CompositionCommands.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace quorvane {

namespace {

using Action = CanvasEditCommands::Action;

std::optional<Action> arrangeAction(const QString& id) {
    if (id == QLatin1String(CompositionMenus::bringToFrontID)) return Action::bringToFront;
    if (id == QLatin1String(CompositionMenus::bringForwardID)) return Action::bringForward;
    if (id == QLatin1String(CompositionMenus::sendBackwardID)) return Action::sendBackward;
    if (id == QLatin1String(CompositionMenus::sendToBackID)) return Action::sendToBack;
    return std::nullopt;
}

} // namespace

CompositionMenus::CompositionMenus(CompositionCommands& commands, std::function<QWidget*()> arrangeWindow,
                                   QObject* parent)
    : QObject(parent), commands_(commands), arrangeWindow_(std::move(arrangeWindow)) {
    connect(&commands_, &CompositionCommands::stateChanged, this, &CompositionMenus::updateEnabled);
    // The Arrange items follow the canvas that has the keyboard. Queued: focus also moves while
    // a widget that had it is being deleted, when its window must not be walked.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, &CompositionMenus::updateEnabled, Qt::QueuedConnection);
}

QAction* CompositionMenus::item(QMenu& menu, const QString& title, const char* id) {
    auto* action = new QAction(title, &menu);
    action->setObjectName(QLatin1String(id));
    return action;
}

void CompositionMenus::insert(QAction* action, QMenu& menu, const QString& anchor) {
    const QList<QAction*> actions = menu.actions();
    for (qsizetype i = 0; i < actions.size(); ++i)
        if (actions[i]->objectName() == anchor) {
            menu.insertAction(i + 1 < actions.size() ? actions[i + 1] : nullptr, action);
            return;
        }
    menu.addAction(action);
}

void CompositionMenus::addCompositionMenus(QMenu& file, QMenu& edit, QMenuBar& menuBar) {
    const auto command = [this](QAction* action, void (CompositionCommands::*run)()) {
        connect(action, &QAction::triggered, &commands_, run);
        documentItems_.emplace_back(action);
        return action;
    };
    insert(command(item(file, QStringLiteral("Add Area Capture to Image…"), addAreaCaptureID),
                   &CompositionCommands::addAreaCaptureToImage),
           file, QStringLiteral("captureArea"));
    insert(command(item(file, QStringLiteral("Export Before/After GIF…"), exportBeforeAfterID),
                   &CompositionCommands::exportBeforeAfterGIF),
           file, QStringLiteral("saveImageAs"));
    QAction* paste = command(item(edit, QStringLiteral("Paste as Overlay"), pasteAsOverlayID),
                             &CompositionCommands::pasteAsOverlay);
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V));
    insert(paste, edit, QStringLiteral("paste"));
    insert(command(item(edit, QStringLiteral("Flatten Image"), flattenImageID),
                   &CompositionCommands::flattenImage),
           edit, QStringLiteral("resizeImage"));
    QAction* expand = command(item(edit, QStringLiteral("Expand Canvas…"), expandCanvasID),
                              &CompositionCommands::expandCanvas);
    expand->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    insert(expand, edit, QStringLiteral("resizeImage"));

    auto* arrange = new QMenu(QStringLiteral("Arrange"), &menuBar);
    arrange->setObjectName(QLatin1String(arrangeMenuID));
    const struct {
        const char* title;
        const char* id;
        QKeyCombination key;
    } stacking[] = {
        {"Bring to Front", bringToFrontID, Qt::CTRL | Qt::ALT | Qt::Key_BracketRight},
        {"Bring Forward", bringForwardID, Qt::CTRL | Qt::Key_BracketRight},
        {"Send Backward", sendBackwardID, Qt::CTRL | Qt::Key_BracketLeft},
        {"Send to Back", sendToBackID, Qt::CTRL | Qt::ALT | Qt::Key_BracketLeft},
    };
    for (const auto& s : stacking) {
        QAction* action = item(*arrange, QString::fromUtf8(s.title), s.id);
        action->setShortcut(QKeySequence(s.key));
        const Action routed = *arrangeAction(QLatin1String(s.id));
        connect(action, &QAction::triggered, this, [this, routed] {
            CanvasActionRouter::trigger(arrangeWindow_ ? arrangeWindow_() : nullptr, routed);
        });
        arrange->addAction(action);
        arrangeItems_.emplace_back(action);
    }
    arrange->addSeparator();
    for (const CanvasAlignment alignment : allCanvasAlignments) {
        QAction* action = item(*arrange, title(alignment), alignSelectionID);
        action->setData(rawValue(alignment));
        connect(action, &QAction::triggered, this, [this, action] {
            CanvasActionRouter::alignSelection(arrangeWindow_ ? arrangeWindow_() : nullptr,
                                               action->data().toString());
        });
        arrange->addAction(action);
        arrangeItems_.emplace_back(action);
    }
    QAction* arrangeItem = arrange->menuAction();
    arrangeItem->setObjectName(QLatin1String(arrangeMenuID));
    const QList<QAction*> top = menuBar.actions();
    const auto editItem =
        std::find_if(top.begin(), top.end(), [&](const QAction* a) { return a->menu() == &edit; });
    if (editItem != top.end() && editItem + 1 != top.end())
        menuBar.insertMenu(*(editItem + 1), arrange);
    else
        menuBar.addMenu(arrange);

    for (QMenu* menu : {&file, &edit, arrange})
        connect(menu, &QMenu::aboutToShow, this, &CompositionMenus::updateEnabled, Qt::UniqueConnection);
    updateEnabled();
}

std::optional<bool> CompositionMenus::validateCompositionItem(const QAction& action) const {
    const QString id = action.objectName();
    if (id == QLatin1String(pasteAsOverlayID)) return commands_.canPasteOverlay();
    if (id == QLatin1String(addAreaCaptureID) || id == QLatin1String(expandCanvasID))
        return commands_.editable();
    if (id == QLatin1String(exportBeforeAfterID)) return commands_.mayExportDocument();
    if (id == QLatin1String(flattenImageID)) return commands_.canFlatten();
    return std::nullopt;
}

void CompositionMenus::updateEnabled() {
    for (const QPointer<QAction>& action : documentItems_)
        if (action)
            if (const auto enabled = validateCompositionItem(*action)) action->setEnabled(*enabled);
    const QWidget* window = arrangeWindow_ ? arrangeWindow_() : nullptr;
    for (const QPointer<QAction>& action : arrangeItems_) {
        if (!action) continue;
        const auto routed = arrangeAction(action->objectName());
        action->setEnabled(CanvasActionRouter::isEnabled(window, routed.value_or(Action::bringToFront)));
    }
}

} // namespace quorvane
