#pragma once

// The stitched image as it grows: rows written top to bottom into one anonymous mapping
// reserved for the whole row limit (pages cost nothing until written), so that appending never
// copies what is already stitched and the result is the mapping itself, not a second copy.
//
// Images handed out are read-only views of the mapping and keep it alive. Rows above the
// current write position are never written again; rows at or below it are, so a write that
// would change rows a live view still shows first moves the rows above it to a fresh mapping.

#include <QColorSpace>
#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>

namespace quorvane {

class StitchCanvas {
public:
    // None when the reservation is refused.
    static std::unique_ptr<StitchCanvas> reserve(int width, int maxRows, const QColorSpace& space);
    ~StitchCanvas();
    StitchCanvas(const StitchCanvas&) = delete;
    StitchCanvas& operator=(const StitchCanvas&) = delete;

    // Call before writing rows from `row` down. False, with nothing changed, when rows had to be
    // moved for a live view and no memory was left for them.
    bool prepareWrite(int row);
    // Rows first ..< first + count of `frame` (readable by StitchPixels, canvas width) into the
    // canvas from row `destination` down; within the reserved rows.
    void write(const QImage& frame, int first, int count, int destination);

    // Rows 0 ..< rows as an image; the same image again while nothing was written since.
    std::optional<QImage> image(int rows) const;

private:
    struct Block;
    StitchCanvas(Block* block, int width, int maxRows, const QColorSpace& space);
    static Block* makeBlock(std::size_t length);
    static void release(void* block);
    std::uint8_t* row(int y) const;

    Block* block_;
    int width_;
    int maxRows_;
    qsizetype stride_;
    QColorSpace space_;
    mutable std::optional<QImage> cached_;
    // The most rows a view of the current block shows.
    mutable int viewedRows_ = 0;
};

} // namespace quorvane
