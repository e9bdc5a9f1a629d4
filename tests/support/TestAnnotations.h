#pragma once

// Images and annotation records that tests build again and again.

#include "document/Annotation.h"
#include "imaging/MappedBitmap.h"

#include <QColorSpace>
#include <QImage>
#include <QPainter>
#include <functional>
#include <optional>

namespace quorvane::test {

// An sRGB image in the export format, filled with `color`.
inline QImage filledImage(const QColor& color, int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.setColorSpace(QColorSpace::SRgb);
    image.fill(color);
    return image;
}

// `top` over the upper half and `bottom` below, so that a flip shows.
inline QImage twoToneImage(int width, int height, const QColor& top = QColor(255, 0, 0),
                           const QColor& bottom = QColor(0, 0, 255)) {
    QImage image = filledImage(bottom, width, height);
    QPainter(&image).fillRect(QRect(0, 0, width, height / 2), top);
    return image;
}

// A record of `kind` over `rect`, from its top-left to its bottom-right corner, numbered 1.
inline Annotation annotation(AnnotationKind kind, const QRectF& rect, const QColor& color = Qt::red) {
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.rect = rect;
    a.start = rect.topLeft();
    a.end = rect.bottomRight();
    a.color = color;
    a.number = 1;
    return a;
}

// A mapped bitmap of exactly `bytes` bytes in 64-byte rows; its pages cost no memory until drawn
// into, so large budgets can be tested cheaply.
inline QImage bitmapOfBytes(std::int64_t bytes) {
    return *MappedBitmap::image(16, bytes / 64, MappedBitmap::Alpha::premultipliedLast, nullptr);
}

// A bitmap allocator for documents that fails every allocation.
inline std::optional<QImage> failingAllocator(std::int64_t, std::int64_t, MappedBitmap::Alpha,
                                              const std::function<void(QImage&)>&) {
    return std::nullopt;
}

} // namespace quorvane::test
