#include "export/FileDragSource.h"

#include "export/DragExporter.h"
#include "platform/Beeper.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QUrl>
#include <cmath>

namespace quorvane {

FileDragSource::FileDragSource(DragExporter& exporter, ImageSource image, Beeper& beeper, QWidget* parent)
    : QWidget(parent), exporter_(&exporter), image_(std::move(image)), beeper_(beeper),
      runner_([](QDrag& drag) { return drag.exec(Qt::CopyAction, Qt::CopyAction); }) {
    setCursor(Qt::OpenHandCursor);
}

void FileDragSource::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    downLocation_ = event->position();
    event->accept();
}

void FileDragSource::mouseReleaseEvent(QMouseEvent* event) {
    downLocation_.reset();
    event->accept();
}

void FileDragSource::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!downLocation_) return;
    const QPointF at = event->position();
    if (std::hypot(at.x() - downLocation_->x(), at.y() - downLocation_->y()) < threshold) return;
    // One press starts at most one drag.
    downLocation_.reset();
    startDrag(at);
}

void FileDragSource::startDrag(const QPointF& at) {
    const std::optional<QImage> image = image_ ? image_() : std::nullopt;
    if (!image || image->isNull()) return beeper_.beep();
    auto file = exporter_->file(*image);
    if (!file) return beeper_.beep();

    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(*file)});
    drag->setMimeData(mime);
    const QPixmap preview = DragExporter::preview(*image);
    const QSizeF size = preview.deviceIndependentSize();
    const QRectF frame = DragExporter::draggingFrame(size, at);
    drag->setPixmap(preview);
    drag->setHotSpot((at - frame.topLeft()).toPoint());

    // The drag runs a nested event loop: the document, the pane and this handle may all go
    // away before it returns.
    QPointer<FileDragSource> self(this);
    // Qt disposes of the drag itself: the receiver may still fetch its data after exec returns.
    dragging_ = true;
    const Qt::DropAction action = runner_(*drag);
    if (!self) return;
    dragging_ = false;
    Q_EMIT dragEnded(action);
}

} // namespace quorvane
