#pragma once

#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace quorvane {

class AccessibilityOptions;
class SymbolIcons;
class ThumbnailContentView;
class ThumbnailController;
class ThumbnailModel;

// The thumbnail's window: a floating panel that never takes the keyboard. A press on the card is
// held back until it is either a click (released within 4 points: the press is delivered then,
// so buttons work as usual) or a drag (4 points or more: a file drag starts instead).
class ThumbnailPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* title = "Screenshot Preview";

    ThumbnailPanel(ThumbnailController& controller, ThumbnailModel& model, const SymbolIcons& icons,
                   const AccessibilityOptions& accessibility);
    ~ThumbnailPanel() override;

    void setImage(const QImage& image);
    ThumbnailContentView* content() const { return content_; }
    bool holdsPress() const { return held_ != nullptr; }

Q_SIGNALS:
    void hoverChanged(bool hovering);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void watch(QWidget* widget);

    ThumbnailController& controller_;
    ThumbnailContentView* content_ = nullptr;
    // The press held back while a drag may start, and the widget it was meant for.
    std::unique_ptr<QMouseEvent> held_;
    QPointer<QWidget> heldTarget_;
    bool replaying_ = false;
};

} // namespace quorvane
