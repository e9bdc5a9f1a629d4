#pragma once

// The content of the area picker: the frozen image of one display, exactly as the screen
// looked, with the selection's outline, its size in pixels, the pointer's pixel coordinates, a
// hint and an optional note. Reports the chosen rectangle (global points) or a cancellation
// through finished(); it keeps no guard of its own against a second report.

#include "core/Error.h"
#include "core/Result.h"
#include "imaging/CaptureGeometry.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

namespace quorvane {

class AccessibilityOptions;
class Beeper;

class AreaSelectionView : public QWidget {
    Q_OBJECT

public:
    struct PillAttributes {
        QFont font;
        QColor foreground;
    };
    // The labels' text style; the scrolling capture's drag selection uses it too.
    static const PillAttributes& pillAttributes();
    // The desktop's font at the labels' size and weight, or, when its digits differ in width,
    // a family whose digits do not.
    static QFont pillFont(const QFont& desktopFont);
    static bool hasTabularDigits(const QFont& font);

    static QString hintText();
    static QString helpText();

    // A label as it is drawn: its text and its capsule, in view coordinates.
    struct Label {
        QString text;
        QRectF rect;
    };
    struct Labels {
        std::optional<Label> size;
        std::optional<Label> coordinates;
        std::optional<Label> hint;
        std::optional<Label> note;
    };

    // `image` is the whole display's frozen image; view coordinates are points from the
    // display's top left.
    AreaSelectionView(const QImage& image, const CaptureGeometry& geometry,
                      const std::optional<QString>& note, Beeper& beeper,
                      const AccessibilityOptions& accessibility, QWidget* parent = nullptr);
    ~AreaSelectionView() override;

    // How the picker went away: its window closed, or the view is being destroyed (while it is
    // still whole).
    enum class Closing { windowClosed, destroying };
    // Read at every use, so that a change shows at the next redraw; by default the shared
    // accessibility option.
    std::function<bool()> increaseContrast;

    const CaptureGeometry& geometry() const { return geometry_; }
    const std::optional<QRectF>& selection() const { return selection_; }
    const std::optional<QPointF>& pointer() const { return pointer_; }
    bool interacted() const { return interacted_; }
    QString accessibilityValue() const { return accessibilityValue_; }
    Labels labels() const;

Q_SIGNALS:
    // The chosen rectangle in global points, or a cancellation.
    void finished(const Result<QRectF, Error>& result);
    void closed(Closing closing);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QRectF bounds() const;
    QPointF clampedPoint(QPointF position) const;
    QRectF toGlobal(const QRectF& rect) const;
    QRectF defaultSelection() const;
    void setSelection(std::optional<QRectF> selection);
    void moveOrResize(int key, Qt::KeyboardModifiers modifiers);
    QSizeF pillSize(const QString& text) const;
    QRectF sizePill(const QString& text, const QRectF& near) const;
    Label coordinatesPill(QPointF point) const;
    void drawOutline(QPainter& painter, const QRectF& rect) const;
    void drawPill(QPainter& painter, const Label& label) const;

    Beeper& beeper_;
    CaptureGeometry geometry_;
    QImage image_;
    std::optional<QPointF> anchor_;
    std::optional<QRectF> selection_;
    std::optional<QString> note_;
    std::optional<QPointF> pointer_;
    bool interacted_ = false;
    QString accessibilityValue_;
};

} // namespace quorvane
