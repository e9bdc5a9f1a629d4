#include "platform/BmpDecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

namespace quorvane::BmpDecoder {
namespace {

class QtBmpDecoder final : public ImageDecoder {
public:
    explicit QtBmpDecoder(QByteArrayView bytes)
        : bytes_(QByteArray::fromRawData(bytes.data(), bytes.size())), buffer_(&bytes_),
          reader_(&buffer_, "bmp") {}

    Status readHeader(ImageHeader& header) override {
        const QSize size = reader_.size();
        if (!size.isValid()) return Status::unreadable;
        header.width = size.width();
        header.height = size.height();
        header.hasAlpha =
            QImage::toPixelFormat(reader_.imageFormat()).alphaUsage() == QPixelFormat::UsesAlpha;
        return Status::image;
    }

    bool decode(QImage& target) override {
        QImage image;
        if (!reader_.read(&image) || image.size() != target.size()) return false;
        QPainter painter(&target);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image);
        return true;
    }

private:
    QByteArray bytes_;
    QBuffer buffer_;
    QImageReader reader_;
};

} // namespace

std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes) {
    return std::make_unique<QtBmpDecoder>(bytes);
}

} // namespace quorvane::BmpDecoder
