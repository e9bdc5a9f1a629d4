#include "imaging/EdgeGrid.h"

#include "imaging/SRGBConversion.h"

#include <QColorSpace>
#include <QPainter>
#include <climits>

namespace quorvane {

std::shared_ptr<const EdgeGrid> EdgeGrid::make(const QImage& image) {
    return make(image, image.rect());
}

std::shared_ptr<const EdgeGrid> EdgeGrid::make(const QImage& image, const QRect& area) {
    const int width = area.width(), height = area.height();
    if (image.isNull() || width < 1 || height < 1 || width > INT_MAX / 4) return nullptr;
    const QImage source = ImageResampler::sRGBColors(image);
    if (source.isNull()) return nullptr;
    const auto memory =
        AnonymousMemory::map(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    if (!memory) return nullptr;
    std::shared_ptr<const EdgeGrid> grid(new EdgeGrid(width, height, *memory));
    // Rows of exactly 4 × width bytes: the grid's readers index them without a stride.
    QImage pixels(static_cast<uchar*>(memory->address), width, height, width * 4,
                  QImage::Format_RGBA8888_Premultiplied);
    if (pixels.isNull()) return nullptr;
    pixels.setColorSpace(QColorSpace::SRgb);
    QPainter painter(&pixels);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), source, area);
    return grid;
}

EdgeGrid::~EdgeGrid() {
    AnonymousMemory::unmap(memory_);
}

} // namespace quorvane
