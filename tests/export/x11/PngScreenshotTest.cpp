#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "export/ImageExporter.h"
#include "support/DesktopScenes.h"
#include "support/ImageCompare.h"

#include <QImage>
#include <gtest/gtest.h>
#include <png.h>

namespace quorvane {
namespace {

using test::DesktopScene;

// Decoded by libpng's own reader, with every check on (CRCs and the zlib checksum), as RGBA.
std::optional<QImage> libpngRead(const QByteArray& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.constData(), static_cast<std::size_t>(bytes.size())) ==
        0)
        return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    QImage out(static_cast<int>(image.width), static_cast<int>(image.height), QImage::Format_RGBA8888);
    if (png_image_finish_read(&image, nullptr, out.bits(), static_cast<png_int_32>(out.bytesPerLine()),
                              nullptr) == 0) {
        png_image_free(&image);
        return std::nullopt;
    }
    return out;
}

// Real desktops as grabbed from the screen, in several strips each: libpng and Qt's reader both
// give back exactly the source pixels.
TEST(PngScreenshot, RealScreenshotsDecodeToTheirExactPixelsWithLibpngAndQt) {
    SystemCaptureService service;
    std::vector<std::pair<QString, QImage>> images;
    for (DesktopScene scene : {DesktopScene::terminals, DesktopScene::dialog, DesktopScene::photo}) {
        const auto windows = test::showScene(scene, QSize(1920, 1080));
        const auto content =
            test::awaitResult<ShareableContent>([&](auto done) { service.targets(std::move(done)); });
        ASSERT_TRUE(content.ok() && !content->displays.empty());
        const auto grabbed = test::awaitResult<QImage>([&](auto done) {
            service.image(ContentFilter::forDisplay(content->displays.front()), std::move(done));
        });
        ASSERT_TRUE(grabbed.ok()) << grabbed.error().message.toStdString();
        images.emplace_back(test::sceneName(scene), *grabbed);
    }
    for (const auto& [name, image] : images) {
        const auto bytes = ImageExporter::encode(image, ImageExporter::Format::png, 0.9);
        ASSERT_TRUE(bytes.ok()) << name.toStdString();
        const auto fromLibpng = libpngRead(*bytes);
        ASSERT_TRUE(fromLibpng) << name.toStdString();
        EXPECT_TRUE(test::imagesNear(*fromLibpng, image, 0)) << name.toStdString();
        EXPECT_TRUE(test::imagesNear(QImage::fromData(*bytes, "PNG"), image, 0)) << name.toStdString();
        EXPECT_EQ(int(bytes->at(25)), 2) << "opaque screenshots are written as RGB";
    }
}

} // namespace
} // namespace quorvane
