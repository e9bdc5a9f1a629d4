#pragma once

// One pinned screenshot: a floating window above ordinary windows that shows the image, zooms
// about the pointer, turns translucent, moves anywhere (also off screen), copies its image,
// sends it to the editor and closes on Escape or Ctrl+W.

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>
#include <optional>

class QMenu;

namespace quorvane {

class AccessibilityOptions;
class PinController;
class PinView;
class SymbolIcons;

class PinPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* title = "Pinned Screenshot";
    static constexpr double minZoom = 0.1;
    static constexpr double maxZoom = 4.0;
    static constexpr double minOpacity = 0.2;

    // `frame` in global points; `actual` is the image's size in points at zoom 1.
    PinPanel(PinController& controller, const QImage& image, const QRectF& frame, const QSizeF& actual,
             const SymbolIcons& icons, const AccessibilityOptions& accessibility);
    ~PinPanel() override;

    const QImage& image() const { return image_; }
    QSize pixelSize() const { return pixelSize_; }
    QSizeF actualSize() const { return actualSize_; }
    double fitZoom() const { return fitZoom_; }
    double zoom() const { return zoom_; }
    // The frame in global points, unrounded.
    QRectF frame() const { return frame_; }
    PinView* view() const { return view_; }

    // Clamped to 0.1…4 (not finite: 1), about `anchor` (global points; the centre when none),
    // so that the image point under the anchor stays there.
    void setZoom(double zoom, const std::optional<QPointF>& anchor = std::nullopt);
    // Clamped to 0.2…1 (not finite: 1). Without a compositor the value is kept but not seen.
    void setOpacity(double opacity);
    double opacity() const { return windowOpacity(); }
    // "Pinned screenshot, W by H pixels, zoom P percent".
    QString accessibilityDescription() const;
    // A new menu each time; the caller owns it.
    QMenu* contextMenu();

    void copyImage();
    void editImage();
    void closePin();
    void zoomTo(int percent);
    void opacityTo(int percent);
    // Drops the image; the controller calls it when the pin closes.
    void release();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The Menu key opens the menu a right click opens.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setFrame(const QRectF& frame);

    QPointer<PinController> controller_;
    QImage image_;
    QSize pixelSize_;
    QSizeF actualSize_;
    double fitZoom_ = 1;
    double zoom_ = 1;
    QRectF frame_;
    PinView* view_ = nullptr;
};

} // namespace quorvane
