#include "scrolling/ScrollHUDModel.h"

namespace quorvane {

ScrollHUDModel::ScrollHUDModel(QObject* parent) : QObject(parent) {}

template<class T>
void ScrollHUDModel::assign(T& field, T value) {
    if (field == value) return;
    field = std::move(value);
    Q_EMIT changed();
}

void ScrollHUDModel::reset() {
    const bool statusDiffers = status_ != startingStatus();
    preview_.reset();
    frames_ = 0;
    height_ = 0;
    status_ = startingStatus();
    finishing_ = false;
    attention_ = false;
    autoDirection_.reset();
    canAutoDown_ = false;
    canAutoUp_ = false;
    needsAccess_ = false;
    orientation_ = AutoScrollDirection::down;
    dragMode_ = false;
    dragHint_ = false;
    if (statusDiffers) Q_EMIT statusChanged();
    Q_EMIT changed();
}

void ScrollHUDModel::setPreview(std::optional<QImage> preview) {
    // Images compare by their pixels: a new preview is always news.
    preview_ = std::move(preview);
    Q_EMIT changed();
}

void ScrollHUDModel::setFrames(int frames) {
    assign(frames_, frames);
}

void ScrollHUDModel::setHeight(int height) {
    assign(height_, height);
}

void ScrollHUDModel::setStatus(const QString& status) {
    if (status_ == status) return;
    status_ = status;
    Q_EMIT statusChanged();
    Q_EMIT changed();
}

void ScrollHUDModel::setFinishing(bool finishing) {
    assign(finishing_, finishing);
}

void ScrollHUDModel::setAttention(bool attention) {
    assign(attention_, attention);
}

void ScrollHUDModel::setAutoDirection(std::optional<AutoScrollDirection> direction) {
    assign(autoDirection_, direction);
}

void ScrollHUDModel::setCanAutoDown(bool can) {
    assign(canAutoDown_, can);
}

void ScrollHUDModel::setCanAutoUp(bool can) {
    assign(canAutoUp_, can);
}

void ScrollHUDModel::setNeedsAccess(bool needs) {
    assign(needsAccess_, needs);
}

void ScrollHUDModel::setOrientation(AutoScrollDirection orientation) {
    assign(orientation_, orientation);
}

void ScrollHUDModel::setSpeed(AutoScrollSpeed speed) {
    assign(speed_, speed);
}

void ScrollHUDModel::setDragMode(bool on) {
    assign(dragMode_, on);
}

void ScrollHUDModel::setDragHint(bool on) {
    assign(dragHint_, on);
}

} // namespace quorvane
