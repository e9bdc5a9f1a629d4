#include "app/ShellMenus.h"

#include "app/AboutPanel.h"
#include "app/AppDelegate.h"
#include "app/CaptureCommands.h"
#include "app/DocumentCommands.h"
#include "app/PinCommands.h"
#include "app/QuitCoordinator.h"
#include "app/SettingsCommands.h"
#include "app/SettingsWindow.h"
#include "app/TextFieldCommands.h"
#include "app/TextFieldPaste.h"
#include "app/WindowCoordinator.h"
#include "canvas/CanvasActionRouter.h"

#include <QApplication>

namespace quorvane {

namespace {

// The canvas's own command behind an Edit menu item, if it has one.
std::optional<CanvasEditCommands::Action> canvasAction(MenuCommand command) {
    switch (command) {
    case MenuCommand::undo:
        return CanvasEditCommands::Action::undo;
    case MenuCommand::redo:
        return CanvasEditCommands::Action::redo;
    case MenuCommand::copy:
        return CanvasEditCommands::Action::copy;
    case MenuCommand::duplicate:
        return CanvasEditCommands::Action::duplicate;
    case MenuCommand::deleteSelection:
        return CanvasEditCommands::Action::deleteSelection;
    case MenuCommand::redactText:
        return CanvasEditCommands::Action::redactText;
    default:
        return std::nullopt;
    }
}

// A text field outside the canvas that has the keyboard in the active window: it does the Edit
// commands itself (the canvas's own text editor goes through the canvas).
QWidget* focusedTextField() {
    const QWidget* window = QApplication::activeWindow();
    if (CanvasActionRouter::focusedCanvas(window) != nullptr) return nullptr;
    return TextFieldCommands::focusedField(window);
}

} // namespace

bool ShellMenus::canvasTakes(MenuCommand command) {
    const auto action = canvasAction(command);
    return action && CanvasActionRouter::isEnabled(QApplication::activeWindow(), *action);
}

std::optional<bool> ShellMenus::textFieldTakes(MenuCommand command, const QStringList& offeredFormats) {
    QWidget* field = focusedTextField();
    return field != nullptr ? TextFieldCommands::takes(field, command, offeredFormats) : std::nullopt;
}

void ShellMenus::run(MenuCommand command) {
    if (QWidget* field = focusedTextField(); field != nullptr) {
        // Another program's text is read without the window waiting for it.
        if (command == MenuCommand::paste && shell_.textFieldPaste().paste(field)) return;
        if (TextFieldCommands::perform(field, command)) return;
    }
    CaptureCommands& captures = shell_.captureCommands();
    DocumentCommands& documents = shell_.documentCommands();
    switch (command) {
    case MenuCommand::quit:
        shell_.quitCoordinator().requestQuit();
        break;
    case MenuCommand::showEditor:
        shell_.presentEditor();
        break;
    case MenuCommand::showRecognizedText:
        shell_.windows().presentRecognizedText();
        break;
    case MenuCommand::hideQuorvane:
        shell_.windows().hideAll();
        break;
    case MenuCommand::captureScreen:
        captures.captureScreen();
        break;
    case MenuCommand::chooseWindow:
        captures.chooseWindow();
        break;
    case MenuCommand::captureArea:
        captures.captureArea();
        break;
    case MenuCommand::repeatArea:
        captures.repeatArea();
        break;
    case MenuCommand::scrollingCapture:
        captures.scrollingCapture();
        break;
    case MenuCommand::recognizeTextInArea:
        captures.recognizeTextInArea();
        break;
    case MenuCommand::pinScreenshot:
        shell_.pinCommands().pinScreenshot();
        break;
    case MenuCommand::closeAllPins:
        shell_.pinCommands().closeAllPins();
        break;
    case MenuCommand::saveImage:
        documents.saveImage();
        break;
    case MenuCommand::saveImageAs:
        documents.saveImageAs();
        break;
    case MenuCommand::chooseSaveFolder:
        documents.chooseSaveFolder();
        break;
    case MenuCommand::openImage:
        documents.openImage();
        break;
    case MenuCommand::reopenLastExport:
        documents.reopenLastExport();
        break;
    case MenuCommand::restorePreviousDocument:
        documents.restorePreviousDocument();
        break;
    case MenuCommand::resizeImage:
        documents.resizeImage();
        break;
    case MenuCommand::editBackdrop:
        documents.editBackdrop();
        break;
    case MenuCommand::paste:
        documents.paste();
        break;
    case MenuCommand::closeWindow:
        if (QWidget* window = QApplication::activeWindow()) window->close();
        break;
    case MenuCommand::minimize:
        if (QWidget* window = QApplication::activeWindow()) window->showMinimized();
        break;
    case MenuCommand::zoom:
        if (QWidget* window = QApplication::activeWindow())
            window->isMaximized() ? window->showNormal() : window->showMaximized();
        break;
    case MenuCommand::bringAllToFront:
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible()) window->raise();
        break;
    case MenuCommand::about:
        shell_.about().show();
        break;
    case MenuCommand::showSettings:
        shell_.settings().showSettings();
        break;
    case MenuCommand::exportDiagnostics:
        shell_.settings().exportDiagnostics();
        break;
    case MenuCommand::toggleLaunchAtLogin:
        shell_.settings().toggleLaunchAtLogin();
        break;
    // Select All outside a text field: the canvas has no whole-document selection.
    case MenuCommand::selectAll:
        break;
    case MenuCommand::undo:
    case MenuCommand::redo:
    case MenuCommand::copy:
    case MenuCommand::duplicate:
    case MenuCommand::deleteSelection:
    case MenuCommand::redactText:
        CanvasActionRouter::trigger(QApplication::activeWindow(), *canvasAction(command));
        break;
    }
}

} // namespace quorvane
