#pragma once

// The sheet in which the user chooses the window to capture: the windows the capture controller
// last listed, one row each. It never captures anything itself: a pick hands the window to the
// controller, which runs the capture after the sheet has closed. It opens with the keyboard on the
// first row; Refresh keeps it.

#include "capture/CaptureService.h"

#include <QDialog>
#include <vector>

class QLabel;
class QStackedWidget;
class QVBoxLayout;

namespace quorvane {

class CaptureController;
class IconButton;
class SymbolIcons;
class WindowIcons;
class WindowList;
class WindowRow;

class WindowPickerView : public QDialog {
    Q_OBJECT

public:
    static constexpr int sheetWidth = 420;
    static constexpr int sheetHeight = 380;

    // Everything passed outlives the sheet.
    WindowPickerView(CaptureController& model, WindowIcons& icons, const SymbolIcons& symbols,
                     QWidget* parent = nullptr);

    void pick(const CaptureWindow& window);
    void reject() override;

    IconButton* refreshButton() const { return refresh_; }
    std::vector<WindowRow*> rows() const;
    bool showsEmptyState() const;
    QString emptyTitle() const;
    QString emptyDescription() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void rebuildRows();

    CaptureController& model_;
    WindowIcons& icons_;
    IconButton* refresh_ = nullptr;
    QStackedWidget* content_ = nullptr;
    QLabel* emptyTitle_ = nullptr;
    QLabel* emptyDescription_ = nullptr;
    WindowList* windowList_ = nullptr;
    QWidget* list_ = nullptr;
    QVBoxLayout* listLayout_ = nullptr;
    bool closing_ = false;
    bool awaitingRows_ = false;
    bool refreshHadKeyboard_ = false;
};

} // namespace quorvane
