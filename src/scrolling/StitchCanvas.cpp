#include "scrolling/StitchCanvas.h"

#include "imaging/MappedBitmap.h"
#include "platform/AnonymousMemory.h"
#include "scrolling/StitchPixels.h"

#include <atomic>
#include <cstring>
#include <limits>

namespace quorvane {

// The mapping with one reference for the canvas and one for each view; views may be released
// on any thread.
struct StitchCanvas::Block {
    AnonymousMemory::Mapping mapping;
    std::atomic<int> references{1};
};

StitchCanvas::Block* StitchCanvas::makeBlock(std::size_t length) {
    const auto mapping = AnonymousMemory::map(length);
    if (!mapping) return nullptr;
    auto* block = new Block;
    block->mapping = *mapping;
    return block;
}

void StitchCanvas::release(void* info) {
    auto* block = static_cast<Block*>(info);
    if (block->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    AnonymousMemory::unmap(block->mapping);
    delete block;
}

std::unique_ptr<StitchCanvas> StitchCanvas::reserve(int width, int maxRows, const QColorSpace& space) {
    const auto stride = MappedBitmap::rowBytes(width);
    if (width < 1 || maxRows < 1 || !stride || *stride > std::numeric_limits<std::int64_t>::max() / maxRows)
        return nullptr;
    Block* block = makeBlock(static_cast<std::size_t>(*stride * maxRows));
    if (!block) return nullptr;
    return std::unique_ptr<StitchCanvas>(new StitchCanvas(block, width, maxRows, space));
}

StitchCanvas::StitchCanvas(Block* block, int width, int maxRows, const QColorSpace& space)
    : block_(block), width_(width), maxRows_(maxRows), stride_(*MappedBitmap::rowBytes(width)),
      space_(space) {}

StitchCanvas::~StitchCanvas() {
    cached_.reset();
    release(block_);
}

std::uint8_t* StitchCanvas::row(int y) const {
    return static_cast<std::uint8_t*>(block_->mapping.address) + static_cast<std::size_t>(y) * stride_;
}

bool StitchCanvas::prepareWrite(int rowIndex) {
    // Our own cached view is no reason to copy unless someone else still holds it.
    if (cached_ && cached_->isDetached()) cached_.reset();
    if (block_->references.load(std::memory_order_acquire) == 1) viewedRows_ = 0;
    if (rowIndex >= viewedRows_) return true;

    Block* fresh = makeBlock(block_->mapping.length);
    if (!fresh) return false;
    std::memcpy(fresh->mapping.address, block_->mapping.address,
                static_cast<std::size_t>(rowIndex) * stride_);
    cached_.reset();
    release(block_);
    block_ = fresh;
    viewedRows_ = 0;
    return true;
}

void StitchCanvas::write(const QImage& frame, int first, int count, int destination) {
    cached_.reset();
    for (int i = 0; i < count; ++i)
        StitchPixels::copyRow(frame, first + i, row(destination + i));
}

std::optional<QImage> StitchCanvas::image(int rows) const {
    if (rows < 1 || rows > maxRows_) return std::nullopt;
    if (cached_ && cached_->height() == rows) return cached_;
    block_->references.fetch_add(1, std::memory_order_relaxed);
    QImage view(static_cast<const uchar*>(block_->mapping.address), width_, rows, stride_,
                QImage::Format_RGBA8888_Premultiplied, release, block_);
    if (view.isNull()) {
        release(block_);
        return std::nullopt;
    }
    view.setColorSpace(space_);
    cached_ = view;
    viewedRows_ = std::max(viewedRows_, rows);
    return view;
}

} // namespace quorvane
