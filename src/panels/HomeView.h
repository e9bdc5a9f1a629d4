#pragma once

// What the editor window shows while no image is open: one click to every capture kind, the
// capture delay, the last area again, opening an image, the last export and the previous
// document, and a banner while screen capture is refused. It only reads the controllers'
// published state and calls their operations.

#include "editor_window/TitlebarInset.h"
#include "panels/ShortcutTextSource.h"

#include <QPointer>
#include <QWidget>
#include <map>

class QAbstractButton;
class QButtonGroup;
class QToolButton;

namespace quorvane {

class CaptureController;
class CaptureTile;
class ExportController;
class IconButton;
class PermissionBanner;
class QuorvaneBackdrop;
class SymbolIcons;

class HomeView : public QWidget {
    Q_OBJECT

public:
    enum class Tile { area, screen, window, text };

    static constexpr int headerHeight = 38;
    static constexpr int headerLeading = 8;

    // Everything passed outlives the view.
    HomeView(CaptureController& model, ExportController& exporter, ShortcutTextSource& shortcuts,
             const SymbolIcons& icons, TitlebarInset inset = {}, QWidget* parent = nullptr);
    ~HomeView() override;

    CaptureTile* tile(Tile tile) const { return tiles_.at(tile); }
    QWidget* header() const { return header_; }
    IconButton* settingsButton() const { return settings_; }
    QWidget* tileGrid() const { return grid_; }
    QWidget* delayRow() const { return delayRow_; }
    QWidget* bottomRow() const { return bottomRow_; }
    QAbstractButton* delaySegment(int seconds) const;
    // Hidden while absent.
    IconButton* repeatAreaButton() const { return repeat_; }
    IconButton* reopenLastExportButton() const { return reopen_; }
    IconButton* restorePreviousButton() const { return restore_; }
    QToolButton* openImageButton() const { return open_; }
    PermissionBanner* permissionBanner() const { return banner_; }
    QuorvaneBackdrop* backdrop() const { return backdrop_; }

Q_SIGNALS:
    void settingsRequested();
    void openImageRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* makeHeader(TitlebarInset inset);
    QWidget* makeGrid();
    QWidget* makeDelayRow();
    QWidget* makeBottomRow();
    void refresh();
    QString withShortcut(const QString& text, ShortcutTextSource::Command command) const;

    CaptureController& model_;
    ExportController& exporter_;
    ShortcutTextSource& shortcuts_;
    const SymbolIcons& icons_;
    QuorvaneBackdrop* backdrop_ = nullptr;
    QWidget* header_ = nullptr;
    IconButton* settings_ = nullptr;
    QWidget* grid_ = nullptr;
    std::map<Tile, CaptureTile*> tiles_;
    QWidget* delayRow_ = nullptr;
    QButtonGroup* delay_ = nullptr;
    IconButton* repeat_ = nullptr;
    PermissionBanner* banner_ = nullptr;
    QWidget* bottomRow_ = nullptr;
    QToolButton* open_ = nullptr;
    IconButton* reopen_ = nullptr;
    IconButton* restore_ = nullptr;
};

} // namespace quorvane
