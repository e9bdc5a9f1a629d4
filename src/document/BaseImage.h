#pragma once

#include <QColor>
#include <QImage>
#include <memory>
#include <mutex>
#include <optional>

namespace quorvane {

// The base image of a document. Two bases are the same only when they are the same object.
class BaseImage {
public:
    explicit BaseImage(QImage image) : image_(std::move(image)) {}
    BaseImage(const BaseImage&) = delete;
    BaseImage& operator=(const BaseImage&) = delete;

    const QImage& image() const { return image_; }
    // The dominant edge colour, computed on first use and kept: the image never changes.
    QColor edgeColor() const;

private:
    const QImage image_;
    mutable std::once_flag edgeColorOnce_;
    mutable QColor edgeColor_;
};

using BaseImageRef = std::shared_ptr<const BaseImage>;

} // namespace quorvane
