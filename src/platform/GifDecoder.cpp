#include "platform/GifDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <gif_lib.h>
#include <vector>

namespace quorvane::GifDecoder {
namespace {

// A first frame larger than this would take longer to decode than any image the importer opens.
constexpr std::int64_t maxFrameSide = 32000;
constexpr std::int64_t maxFramePixels = 32'000'000;

struct Input {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
};

int readInput(GifFileType* gif, GifByteType* out, int length) {
    auto* input = static_cast<Input*>(gif->UserData);
    if (length <= 0) return 0;
    const std::size_t count = std::min(static_cast<std::size_t>(length), input->size - input->offset);
    std::memcpy(out, input->data + input->offset, count);
    input->offset += count;
    return static_cast<int>(count);
}

class GifFrameDecoder final : public ImageDecoder {
public:
    explicit GifFrameDecoder(QByteArrayView bytes)
        : input_{reinterpret_cast<const std::uint8_t*>(bytes.data()),
                 static_cast<std::size_t>(bytes.size())} {}
    ~GifFrameDecoder() override {
        int error = 0;
        if (gif_ != nullptr) DGifCloseFile(gif_, &error);
    }

    Status readHeader(ImageHeader& header) override {
        int error = 0;
        gif_ = DGifOpen(&input_, readInput, &error);
        if (gif_ == nullptr) return Status::unreadable;
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif_, &type) == GIF_ERROR) return Status::unreadable;
            if (type == TERMINATE_RECORD_TYPE) return Status::noFrames;
            if (type == IMAGE_DESC_RECORD_TYPE) break;
            if (type != EXTENSION_RECORD_TYPE || !skipExtension()) return Status::unreadable;
        }
        if (DGifGetImageDesc(gif_) == GIF_ERROR) return Status::unreadable;
        header.width = gif_->SWidth;
        header.height = gif_->SHeight;
        header.hasAlpha = true;
        return Status::image;
    }

    bool decode(QImage& target) override {
        if (gif_ == nullptr) return false;
        const GifImageDesc& frame = gif_->Image;
        const std::int64_t frameWidth = frame.Width, frameHeight = frame.Height;
        if (frameWidth < 1 || frameHeight < 1 || frameWidth > maxFrameSide || frameHeight > maxFrameSide ||
            frameWidth * frameHeight > maxFramePixels)
            return false;
        const ColorMapObject* colors = frame.ColorMap != nullptr ? frame.ColorMap : gif_->SColorMap;
        if (colors == nullptr || colors->Colors == nullptr) return false;

        // Indices outside the colour map stay transparent.
        std::array<std::array<std::uint8_t, 4>, 256> palette{};
        for (int i = 0; i < std::min(colors->ColorCount, 256); ++i)
            palette[static_cast<std::size_t>(i)] = {colors->Colors[i].Red, colors->Colors[i].Green,
                                                    colors->Colors[i].Blue, 255};
        if (transparent_ >= 0 && transparent_ < 256)
            palette[static_cast<std::size_t>(transparent_)] = {0, 0, 0, 0};

        // Rows of the frame below the picture are never shown: reading stops after the last one
        // that is, rather than decoding what follows.
        std::int64_t rowsLeft = std::clamp<std::int64_t>(target.height() - frame.Top, 0, frameHeight);
        if (rowsLeft == 0) return true;
        std::vector<GifPixelType> line(static_cast<std::size_t>(frameWidth));
        const int pass[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
        int passIndex = 0;
        int row = frame.Interlace ? pass[0][0] : 0;
        for (int i = 0; i < frameHeight; ++i) {
            if (DGifGetLine(gif_, line.data(), static_cast<int>(frameWidth)) == GIF_ERROR) return false;
            const std::int64_t y = frame.Top + row;
            if (y >= 0 && y < target.height()) {
                std::uint8_t* out = target.scanLine(static_cast<int>(y));
                const std::int64_t first = std::max<std::int64_t>(0, frame.Left);
                const std::int64_t end = std::min<std::int64_t>(target.width(), frame.Left + frameWidth);
                for (std::int64_t x = first; x < end; ++x)
                    std::memcpy(out + 4 * x, palette[line[static_cast<std::size_t>(x - frame.Left)]].data(),
                                4);
                if (--rowsLeft == 0) return true;
            }
            if (!frame.Interlace) {
                ++row;
                continue;
            }
            row += pass[passIndex][1];
            while (row >= frameHeight && passIndex < 3)
                row = pass[++passIndex][0];
        }
        return true;
    }

private:
    // Skips one extension; a graphic control extension sets the first frame's transparency.
    bool skipExtension() {
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent_ = control.TransparentColor;
        }
        while (block != nullptr)
            if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return false;
        return true;
    }

    Input input_;
    GifFileType* gif_ = nullptr;
    int transparent_ = -1;
};

} // namespace

std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes) {
    return std::make_unique<GifFrameDecoder>(bytes);
}

} // namespace quorvane::GifDecoder
