#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <functional>
#include <optional>

class QDrag;

namespace quorvane {

class Beeper;
class DragExporter;

// The mouse work of dragging the image out as a file: a press that moves 3 points starts one
// drag of a fresh drag-out file. The image is asked for only then, so a mere click renders
// nothing. Copy only; our own drop targets refuse drags that come from us.
class FileDragSource : public QWidget {
    Q_OBJECT

public:
    // The image to drag, or none when there is nothing to drag (or it could not be made).
    using ImageSource = std::function<std::optional<QImage>()>;
    // Runs a prepared drag; QDrag::exec by default. Tests replace it, since exec blocks.
    using DragRunner = std::function<Qt::DropAction(QDrag& drag)>;

    static constexpr double threshold = 3.0;

    FileDragSource(DragExporter& exporter, ImageSource image, Beeper& beeper, QWidget* parent = nullptr);

    void setExporter(DragExporter& exporter) { exporter_ = &exporter; }
    void setImageSource(ImageSource image) { image_ = std::move(image); }
    void setDragRunner(DragRunner runner) { runner_ = std::move(runner); }
    bool dragging() const { return dragging_; }

Q_SIGNALS:
    // After a drag has returned, with the action the receiver took.
    void dragEnded(Qt::DropAction action);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void startDrag(const QPointF& at);

    DragExporter* exporter_;
    ImageSource image_;
    Beeper& beeper_;
    DragRunner runner_;
    std::optional<QPointF> downLocation_;
    bool dragging_ = false;
};

} // namespace quorvane
