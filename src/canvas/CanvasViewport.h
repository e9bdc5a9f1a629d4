#pragma once

#include "canvas/CanvasField.h"

#include <QObject>
#include <QPointF>

namespace quorvane {

// How an editor pane shows its document: fitted or at a zoom, panned, and whether enlarged pixels
// stay sharp. Its changes go out through the pane's shared batcher. GUI thread.
class CanvasViewport : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool fit READ fit WRITE setFit NOTIFY fitChanged)
    Q_PROPERTY(double zoomFraction READ zoomFraction WRITE setZoomFraction NOTIFY zoomFractionChanged)
    Q_PROPERTY(QPointF pan READ pan WRITE setPan NOTIFY panChanged)
    Q_PROPERTY(bool pixelated READ pixelated WRITE setPixelated NOTIFY pixelatedChanged)

public:
    CanvasViewport(ChangeBatcher& changes, QObject* parent) : QObject(parent), changes_(changes) {}

    bool fit() const { return fit_; }
    // Device pixels per image pixel when not fitting.
    double zoomFraction() const { return zoomFraction_; }
    QPointF pan() const { return pan_; }
    bool pixelated() const { return pixelated_; }

    void setFit(bool value);
    void setZoomFraction(double value);
    void setPan(const QPointF& value);
    void setPixelated(bool value);

    // Sends the signal of one of this object's fields.
    void emitChange(CanvasField field);

Q_SIGNALS:
    void fitChanged();
    void zoomFractionChanged();
    void panChanged();
    void pixelatedChanged();

private:
    ChangeBatcher& changes_;
    bool fit_ = true;
    double zoomFraction_ = 1.0;
    QPointF pan_;
    bool pixelated_ = false;
};

} // namespace quorvane
