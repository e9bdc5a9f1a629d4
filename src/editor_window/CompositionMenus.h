#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace quorvane {

class CompositionCommands;

// The composition items of the File and Edit menus and the Arrange menu. Items are found by
// their object names, which stay the same across versions: ours are listed below, and the shell's
// items that ours follow are "captureArea" and "saveImageAs" (File), "paste" and "resizeImage"
// (Edit). Enabled states are worked out again whenever what they depend on changes and when a
// menu is about to show, because Qt ignores the shortcut of a disabled action.
class CompositionMenus : public QObject {
    Q_OBJECT

public:
    static constexpr const char* addAreaCaptureID = "addAreaCaptureToImage";
    static constexpr const char* exportBeforeAfterID = "exportBeforeAfterGIF";
    static constexpr const char* pasteAsOverlayID = "pasteAsOverlay";
    static constexpr const char* flattenImageID = "flattenImage";
    static constexpr const char* expandCanvasID = "expandCanvas";
    static constexpr const char* bringToFrontID = "bringToFront";
    static constexpr const char* bringForwardID = "bringForward";
    static constexpr const char* sendBackwardID = "sendBackward";
    static constexpr const char* sendToBackID = "sendToBack";
    // Every align item; its data is the alignment's raw value.
    static constexpr const char* alignSelectionID = "alignSelection";
    static constexpr const char* arrangeMenuID = "arrangeMenu";

    // `arrangeWindow` gives the window whose focused canvas takes the Arrange items.
    CompositionMenus(CompositionCommands& commands, std::function<QWidget*()> arrangeWindow,
                     QObject* parent = nullptr);

    void addCompositionMenus(QMenu& file, QMenu& edit, QMenuBar& menuBar);
    // Whether `action` is enabled; none when it is not one of the five document items.
    std::optional<bool> validateCompositionItem(const QAction& action) const;
    // Works out every item's enabled state now.
    void updateEnabled();

private:
    QAction* item(QMenu& menu, const QString& title, const char* id);
    static void insert(QAction* action, QMenu& menu, const QString& anchor);

    CompositionCommands& commands_;
    std::function<QWidget*()> arrangeWindow_;
    std::vector<QPointer<QAction>> documentItems_;
    std::vector<QPointer<QAction>> arrangeItems_;
};

} // namespace quorvane
