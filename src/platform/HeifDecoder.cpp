#include "platform/HeifDecoder.h"

#include "platform/HeifPictures.h"
#include "platform/PixelRows.h"

#include <algorithm>
#include <cstring>
#include <libheif/heif.h>
#include <optional>

namespace quorvane::HeifDecoder {
namespace {

class HeifFileDecoder final : public ImageDecoder {
public:
    HeifFileDecoder(QByteArrayView bytes, DecodeLimits limits) : bytes_(bytes), limits_(limits) {}
    ~HeifFileDecoder() override {
        if (handle_ != nullptr) heif_image_handle_release(handle_);
        if (context_ != nullptr) heif_context_free(context_);
    }

    Status readHeader(ImageHeader& header) override {
        // Nothing is left for libheif to find out by allocating.
        const std::optional<HeifPictures> pictures = HeifPictures::read(bytes_);
        if (!pictures) return Status::unreadable;
        for (const HeifPictures::Size& size : pictures->sizes) {
            if (!beyond(size)) continue;
            header.width = size.width;
            header.height = size.height;
            return Status::tooLarge;
        }
        // An image with its alpha plane, and tiles that reach a little past the canvas's edges;
        // more is damage, and slow.
        if (pictures->canvasPixels > 2 * limits_.maxPixels || pictures->codedPixels > 2 * limits_.maxPixels)
            return Status::unreadable;
        context_ = heif_context_alloc();
        if (context_ == nullptr) return Status::unreadable;
        // A second guard for what the boxes above did not show; libheif refuses sides at the limit.
        heif_context_set_maximum_image_size_limit(
            context_, static_cast<int>(std::min<std::int64_t>(limits_.maxSide + 1, 1 << 30)));
        if (heif_context_read_from_memory_without_copy(context_, bytes_.data(),
                                                       static_cast<std::size_t>(bytes_.size()), nullptr)
                    .code != heif_error_Ok ||
            heif_context_get_primary_image_handle(context_, &handle_).code != heif_error_Ok)
            return Status::unreadable;
        // The checks above read the same image.
        heif_item_id primary = 0;
        if (heif_context_get_primary_image_ID(context_, &primary).code != heif_error_Ok ||
            primary != pictures->primary)
            return Status::unreadable;
        header.width = heif_image_handle_get_width(handle_);
        header.height = heif_image_handle_get_height(handle_);
        header.hasAlpha = hasAlpha_ = heif_image_handle_has_alpha_channel(handle_) != 0;
        const auto profile = heif_image_handle_get_color_profile_type(handle_);
        if ((profile == heif_color_profile_type_prof || profile == heif_color_profile_type_rICC) &&
            heif_image_handle_get_raw_color_profile_size(handle_) <= std::size_t{maxIccProfileLength}) {
            QByteArray icc(static_cast<qsizetype>(heif_image_handle_get_raw_color_profile_size(handle_)),
                           '\0');
            if (heif_image_handle_get_raw_color_profile(handle_, icc.data()).code == heif_error_Ok)
                header.iccProfile = icc;
        }
        return Status::image;
    }

    bool decode(QImage& target) override {
        if (handle_ == nullptr) return false;
        const bool alpha = hasAlpha_;
        heif_decoding_options* options = heif_decoding_options_alloc();
        if (options == nullptr) return false;
        options->convert_hdr_to_8bit = 1;
        heif_image* image = nullptr;
        const heif_error error =
            heif_decode_image(handle_, &image, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
        heif_decoding_options_free(options);
        if (error.code != heif_error_Ok || image == nullptr) return false;
        int stride = 0;
        const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        const bool ok = plane != nullptr &&
                        heif_image_get_width(image, heif_channel_interleaved) == target.width() &&
                        heif_image_get_height(image, heif_channel_interleaved) == target.height() &&
                        heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) == 8;
        const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle_) != 0;
        for (int y = 0; ok && y < target.height(); ++y) {
            const std::uint8_t* row = plane + static_cast<qsizetype>(y) * stride;
            std::uint8_t* out = target.scanLine(y);
            if (!alpha)
                PixelRows::storeRgb(row, out, target.width());
            else if (premultiplied)
                std::memcpy(out, row, static_cast<std::size_t>(target.width()) * 4);
            else
                PixelRows::storeStraight(row, out, target.width());
        }
        heif_image_release(image);
        return ok;
    }

private:
    bool beyond(const HeifPictures::Size& size) const {
        return size.width > limits_.maxSide || size.height > limits_.maxSide ||
               size.width * size.height > limits_.maxPixels;
    }

    QByteArrayView bytes_;
    DecodeLimits limits_;
    heif_context* context_ = nullptr;
    heif_image_handle* handle_ = nullptr;
    bool hasAlpha_ = false;
};

} // namespace

std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes, DecodeLimits limits) {
    return std::make_unique<HeifFileDecoder>(bytes, limits);
}

} // namespace quorvane::HeifDecoder
