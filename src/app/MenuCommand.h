#pragma once

// Every command that a menu item of the program triggers. The window menus and the status
// menu share one action per command, except the status menu's capture items, which carry the
// global hot keys' text.

namespace quorvane {

enum class MenuCommand {
    // Quorvane menu
    about,
    showSettings,
    exportDiagnostics,
    hideQuorvane,
    quit,
    // File menu
    captureScreen,
    chooseWindow,
    captureArea,
    repeatArea,
    scrollingCapture,
    recognizeTextInArea,
    saveImage,
    saveImageAs,
    chooseSaveFolder,
    openImage,
    reopenLastExport,
    restorePreviousDocument,
    pinScreenshot,
    closeAllPins,
    showEditor,
    closeWindow,
    // Edit menu: the canvas's own commands, then the shell's
    undo,
    redo,
    copy,
    paste,
    selectAll,
    duplicate,
    deleteSelection,
    redactText,
    resizeImage,
    editBackdrop,
    // Window menu
    minimize,
    zoom,
    showRecognizedText,
    bringAllToFront,
    // Status menu only
    toggleLaunchAtLogin,
};

} // namespace quorvane
