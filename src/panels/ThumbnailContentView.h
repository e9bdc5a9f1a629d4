#pragma once

#include <QImage>
#include <QWidget>

namespace quorvane {

class AccessibilityOptions;
class SymbolIcons;
class ThumbnailModel;
class ThumbnailView;

// The thumbnail's rounded card, 6 points inside the panel: the image fitted with its aspect
// ratio, and the card's controls over it. Reports the pointer entering and leaving the card.
class ThumbnailContentView : public QWidget {
    Q_OBJECT

public:
    static constexpr int margin = 6;
    static constexpr double cornerRadius = 10;

    ThumbnailContentView(ThumbnailModel& model, const SymbolIcons& icons,
                         const AccessibilityOptions& accessibility, QWidget* parent = nullptr);

    void setImage(const QImage& image);
    QRect cardRect() const { return rect().adjusted(margin, margin, -margin, -margin); }
    ThumbnailView* view() const { return view_; }
    // Where the image shows inside the card.
    QRectF imageRect() const;

Q_SIGNALS:
    void hoverChanged(bool hovering);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const QImage& scaledImage(const QSizeF& size);

    QImage image_;
    // The image at its shown size, made on the first paint after a change.
    QImage scaled_;
    ThumbnailView* view_ = nullptr;
};

} // namespace quorvane
