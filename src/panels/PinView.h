#pragma once

#include "capture/CaptureDelay.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QVariantAnimation;

namespace quorvane {

class AccessibilityOptions;
class PinCloseButton;
class PinPanel;
class SymbolIcons;

// A pin's content: the image filling the window with rounded corners, the close button that
// shows while the pointer is over the pin, the zoom and opacity read-out, and the pin's mouse,
// wheel and pinch input.
class PinView : public QWidget {
    Q_OBJECT

public:
    static constexpr double cornerRadius = 8;
    static constexpr int badgeMilliseconds = 1000;
    static constexpr int badgeFadeMilliseconds = 250;
    static constexpr int closeFadeMilliseconds = 150;

    PinView(PinPanel& panel, const SymbolIcons& icons, const AccessibilityOptions& accessibility,
            QWidget* parent = nullptr);
    ~PinView() override;

    void setImage(const QImage& image);
    void showBadge(const QString& text);
    void setCloseButtonVisible(bool visible);

    // The badge's hide timer; a QTimer by default.
    CaptureDelay::Sleep sleep;

    QLabel* badge() const { return badge_; }
    PinCloseButton* closeButton() const { return close_; }
    // The mipmap level a paint at `size` device pixels draws from.
    const QImage& level(const QSize& size) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    PinPanel& panel_;
    const AccessibilityOptions& accessibility_;
    // The image and its halvings, for a clean picture at any zoom without rescaling the full image
    // on every step.
    std::vector<QImage> levels_;
    PinCloseButton* close_ = nullptr;
    QLabel* badge_ = nullptr;
    std::function<void()> cancelBadge_;
    QPointer<QVariantAnimation> badgeFade_;
    QPointer<QVariantAnimation> closeFade_;
    // A left press that may become a move of the pin.
    std::optional<QPointF> pressAt_;
    QPoint pressWindowAt_;
    bool moving_ = false;
};

} // namespace quorvane
