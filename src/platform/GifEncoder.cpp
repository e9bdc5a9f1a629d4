#include "platform/GifEncoder.h"

#include "platform/EncodeError.h"

#include <gif_lib.h>
#include <memory>

namespace quorvane::GifEncoder {
namespace {

int appendBytes(GifFileType* gif, const GifByteType* bytes, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

struct Closer {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

struct MapFree {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

Failure<Error> unsupported() {
    return Failure{EncodeError::error(EncodeError::Kind::unsupportedImage)};
}

Failure<Error> refused(int code) {
    const char* text = GifErrorString(code);
    return Failure{EncodeError::error(EncodeError::Kind::libraryFailed,
                                      text != nullptr ? QString::fromLatin1(text) : QString())};
}

} // namespace

Result<QByteArray, Error> encode(int width, int height, const std::vector<std::uint32_t>& palette,
                                 std::optional<int> transparentIndex,
                                 const std::vector<std::vector<std::uint8_t>>& frames, int delayHundredths) {
    if (width < 1 || height < 1 || width > 65535 || height > 65535 || palette.empty() ||
        palette.size() > 256 || frames.empty())
        return unsupported();
    const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (const auto& frame : frames)
        if (frame.size() != pixels) return unsupported();
    // giflib takes colour tables of a power of two only; the rest stays black and unused.
    int bits = 1;
    while ((1u << bits) < palette.size())
        ++bits;
    std::unique_ptr<ColorMapObject, MapFree> map(GifMakeMapObject(1 << bits, nullptr));
    if (!map) return Failure{EncodeError::error(EncodeError::Kind::outOfMemory)};
    for (int i = 0; i < map->ColorCount; ++i) {
        const std::uint32_t rgb =
            i < static_cast<int>(palette.size()) ? palette[static_cast<std::size_t>(i)] : 0;
        map->Colors[i] = GifColorType{static_cast<GifByteType>(rgb >> 16), static_cast<GifByteType>(rgb >> 8),
                                      static_cast<GifByteType>(rgb)};
    }

    QByteArray bytes;
    int error = 0;
    std::unique_ptr<GifFileType, Closer> gif(EGifOpen(&bytes, appendBytes, &error));
    if (!gif) return refused(error);
    EGifSetGifVersion(gif.get(), true);
    if (EGifPutScreenDesc(gif.get(), width, height, bits, 0, map.get()) == GIF_ERROR)
        return refused(gif->Error);

    static const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loopForever[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif.get(), sizeof netscape, netscape) == GIF_ERROR ||
        EGifPutExtensionBlock(gif.get(), sizeof loopForever, loopForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif.get()) == GIF_ERROR)
        return refused(gif->Error);

    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_BACKGROUND;
    control.UserInputFlag = false;
    control.DelayTime = delayHundredths;
    control.TransparentColor = transparentIndex.value_or(NO_TRANSPARENT_COLOR);
    GifByteType extension[4];
    const auto extensionLength = EGifGCBToExtension(&control, extension);
    for (const auto& frame : frames) {
        if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extensionLength),
                             extension) == GIF_ERROR ||
            EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) == GIF_ERROR)
            return refused(gif->Error);
        for (int y = 0; y < height; ++y)
            if (EGifPutLine(gif.get(),
                            const_cast<GifPixelType*>(frame.data() + static_cast<std::size_t>(y) * width),
                            width) == GIF_ERROR)
                return refused(gif->Error);
    }
    GifFileType* closing = gif.release();
    if (EGifCloseFile(closing, &error) == GIF_ERROR) return refused(error);
    return bytes;
}

} // namespace quorvane::GifEncoder
