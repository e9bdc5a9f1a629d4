// Pasting what another program holds on the clipboard: images and file links come in whole,
// offers longer than any image within the caps are refused before they are fetched.

#include "export/ImageImporter.h"
#include "export/OfferReader.h"
#include "platform/PngCodec.h"
#include "platform/QtX11Connection.h"
#include "platform/SystemClipboard.h"
#include "platform/X11SelectionOffer.h"
#include "support/ClipboardOffer.h"
#include "support/HostileImages.h"
#include "support/ImageCompare.h"
#include "support/ImageFiles.h"
#include "support/PeakMemory.h"
#include "support/TempDir.h"
#include "support/TestAnnotations.h"
#include "support/WaitUntil.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QtEndian>
#include <QRandomGenerator>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using test::ClipboardOffer;

// The start of a PNG whose header claims `width` × `height`.
QByteArray pngHeader(quint32 width, quint32 height) {
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (const quint32 side : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.append(static_cast<char>((side >> shift) & 0xff));
    return bytes.append("\x08\x06\0\0\0\0\0\0\0", 9);
}

class PasteFromAnotherProgram : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = QString::fromStdString((folder_ / name.toStdString()).string());
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        return path;
    }

    // xclip takes the clipboard with the file's bytes and serves it from the background: from a
    // process of its own that may not hold it yet when the first has ended.
    bool offerWithXclip(const QString& path, const QString& type) {
        const xcb_window_t before = owner();
        const int status = QProcess::execute("xclip", {"-selection", "clipboard", "-t", type, "-i", path});
        return status == 0 && test::waitUntil([&] { return owner() != before && owner() != XCB_NONE; }) &&
               offered(type);
    }

    static xcb_window_t owner() {
        xcb_connection_t* connection = qtX11Connection();
        auto* clipboard =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 9, "CLIPBOARD"), nullptr);
        auto* reply = xcb_get_selection_owner_reply(
            connection,
            xcb_get_selection_owner(connection, clipboard != nullptr ? clipboard->atom : xcb_atom_t{XCB_ATOM_NONE}),
            nullptr);
        const xcb_window_t window = reply != nullptr ? reply->owner : XCB_NONE;
        std::free(reply);
        std::free(clipboard);
        return window;
    }

    // A paste of what `offer` holds as `type`: refused as damaged, having cost less than 32 MiB (the
    // offers are 96 MB and more; a first paste's own start and the sanitizers' bookkeeping fit).
    void expectRefusedCheaply(ClipboardOffer& offer, const char* type) {
        ASSERT_TRUE(offer.ready());
        ASSERT_TRUE(offered(type));
        const test::PeakMemory memory;
        const auto pasted = ImageImporter::image(clipboard_);
        ASSERT_FALSE(pasted);
        EXPECT_EQ(pasted.error(), ImageImporter::ImportError::unreadable());
        EXPECT_LT(memory.growth(), 32 << 20);
    }

    // Once Qt's view of the clipboard lists `type`.
    bool offered(const QString& type) {
        return test::waitUntil([&] {
            const QMimeData* contents = clipboard_.read();
            return contents != nullptr && contents->hasFormat(type);
        });
    }

    test::TempDir folder_;
    SystemClipboard clipboard_{*QGuiApplication::clipboard()};
};

TEST_F(PasteFromAnotherProgram, AGigabyteOfferIsRefusedBeforeItIsFetched) {
    const QString tooLarge = QStringLiteral("This image is 40000 × 40000 pixels; Quorvane opens images up to "
                                            "32 megapixels and 32,000 pixels per side.");
    const QString damaged =
        QStringLiteral("Quorvane can't read this image. The data may be damaged or incomplete.");
    // Announced up front, or not (as xclip offers), when the first bytes already decide.
    const struct {
        QByteArray head;
        const char* announce;
        QString message;
    } cases[] = {
        {pngHeader(40'000, 40'000), "1072693248", tooLarge},
        {pngHeader(40'000, 40'000), "0", tooLarge},
        {pngHeader(1, 1), "1072693248", damaged},
        {QByteArray(100, 'x'), "0", damaged},
    };
    for (const auto& [head, announce, message] : cases) {
        SCOPED_TRACE(message.toStdString() + " announced " + announce);
        ClipboardOffer offer({"--type", "image/png", "--file", file("head", head), "--size", "1072693248",
                              "--announce", announce});
        ASSERT_TRUE(offer.ready());
        ASSERT_TRUE(offered("image/png"));
        const test::PeakMemory memory;
        const auto pasted = ImageImporter::image(clipboard_);
        ASSERT_FALSE(pasted);
        EXPECT_EQ(pasted.error().message(), message);
        EXPECT_LT(memory.growth(), 300 << 20);
    }
    // A gigabyte of file links: the Edit menu offers Paste without reading them.
    ClipboardOffer links({"--type", "text/uri-list", "--size", "1072693248", "--announce", "0"});
    ASSERT_TRUE(links.ready());
    ASSERT_TRUE(offered("text/uri-list"));
    const test::PeakMemory memory;
    EXPECT_TRUE(test::waitUntil([&] { return ImageImporter::canRead(clipboard_); }));
    const auto pasted = ImageImporter::image(clipboard_);
    ASSERT_FALSE(pasted);
    EXPECT_EQ(pasted.error().message(), damaged);
    EXPECT_LT(memory.growth(), 300 << 20);
}

TEST_F(PasteFromAnotherProgram, ImagesAndFileLinksStillPasteAndASilentHolderIsNoImage) {
    // Small, and large enough that xclip sends it piece by piece.
    QImage noise(900, 700, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(noise.scanLine(y));
        QRandomGenerator(y).fillRange(row, noise.width());
        for (int x = 0; x < noise.width(); ++x)
            row[x] |= 0xff000000;
    }
    for (const QImage& picture : {noise.copy(0, 0, 30, 20), noise}) {
        QByteArray png;
        QBuffer buffer(&png);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
        ASSERT_TRUE(offerWithXclip(file("picture.png", png), "image/png"));
        const auto pasted = ImageImporter::image(clipboard_);
        ASSERT_TRUE(pasted && pasted.value());
        EXPECT_TRUE(test::imagesNear(*pasted.value(), picture, 0)) << png.size() << " bytes";
    }
    // A file manager's link to a picture.
    const QString link = QUrl::fromLocalFile(file("linked.png", {})).toString() + "\r\n";
    ASSERT_TRUE(noise.copy(0, 0, 12, 34).save(QUrl(link.trimmed()).toLocalFile(), "PNG"));
    ASSERT_TRUE(offerWithXclip(file("list", link.toUtf8()), "text/uri-list"));
    const auto linked = ImageImporter::image(clipboard_);
    ASSERT_TRUE(linked && linked.value());
    EXPECT_EQ(linked.value()->size(), QSize(12, 34));

    // A holder that stops in the middle of a well-formed start: the image is incomplete.
    QByteArray start = pngHeader(100, 100);
    const quint32 headerCrc = qToBigEndian(PngCodec::crc(0, QByteArrayView(start).sliced(12, 17)));
    start.replace(29, 4, reinterpret_cast<const char*>(&headerCrc), 4);
    start.append(QByteArray("\0\x0f\x42\x40IDAT", 8));
    ClipboardOffer stuck({"--type", "image/png", "--file", file("head", start), "--size", "1048576",
                          "--stall-after", "262144"});
    ASSERT_TRUE(stuck.ready());
    ASSERT_TRUE(offered("image/png"));
    const auto pasted = ImageImporter::image(clipboard_);
    ASSERT_FALSE(pasted);
    EXPECT_EQ(pasted.error(), ImageImporter::ImportError::unreadable());
}

TEST_F(PasteFromAnotherProgram, ListsAreReadOnlyWhenPastedAndEachTypeOnlyUpToItsOwnLimit) {
    // A million links of 15 MB, the picture last: offering Paste reads none of them.
    const QString picture = file("last.png", {});
    ASSERT_TRUE(test::filledImage(Qt::red, 9, 4).save(picture, "PNG"));
    QByteArray list;
    list.reserve(16 << 20);
    for (int i = 0; i < 1'000'000; ++i)
        list += QByteArray("file:///") + QByteArray::number(i).rightJustified(6, '0') + '\n';
    list += QUrl::fromLocalFile(picture).toEncoded();
    ClipboardOffer links({"--type", "text/uri-list", "--file", file("list", list), "--report", "1"});
    ASSERT_TRUE(links.ready());
    ASSERT_TRUE(test::waitUntil([&] { return ImageImporter::canRead(clipboard_); }));
    EXPECT_FALSE(links.output().contains("request text/uri-list"));
    // Pasted, it is read once, line by line, on a worker.
    const test::PeakMemory memory;
    OfferReader reader;
    std::optional<Result<std::optional<QImage>, ImageImporter::ImportError>> pasted;
    reader.read(
        clipboard_.offer(), [](quorvane::ClipboardOffer& offer) { return ImageImporter::image(offer); },
        [&](Result<std::optional<QImage>, ImageImporter::ImportError> image) { pasted = std::move(image); });
    ASSERT_TRUE(test::waitUntil([&] { return pasted.has_value(); }, 20000));
    ASSERT_TRUE(*pasted && pasted->value());
    EXPECT_EQ(pasted->value()->size(), QSize(9, 4));
    EXPECT_LT(memory.growth(), 100 << 20);

    // 200 MB of GIF is longer than any GIF within the caps, though shorter than the longest PNG:
    // refused when announced, never fetched.
    QByteArray gif("GIF89a\x64\0\x64\0\0\0\0", 13);
    ClipboardOffer long_gif({"--type", "image/gif", "--file", file("gif", gif), "--size", "209715200"});
    ASSERT_TRUE(long_gif.ready());
    ASSERT_TRUE(offered("image/gif"));
    const test::PeakMemory gifMemory;
    pasted.reset();
    reader.read(
        clipboard_.offer(), [](quorvane::ClipboardOffer& offer) { return ImageImporter::image(offer); },
        [&](Result<std::optional<QImage>, ImageImporter::ImportError> image) { pasted = std::move(image); });
    ASSERT_TRUE(test::waitUntil([&] { return pasted.has_value(); }, 20000));
    ASSERT_FALSE(*pasted);
    EXPECT_EQ(pasted->error(), ImageImporter::ImportError::unreadable());
    EXPECT_LT(gifMemory.growth(), 100 << 20);
}

TEST_F(PasteFromAnotherProgram, AFileListIsReadNoFurtherThanItsFirstFileThatOpens) {
    // A file that is no image, the picture, then a gigabyte that no list holds.
    const QString picture = file("first.png", {});
    ASSERT_TRUE(test::filledImage(Qt::blue, 5, 3).save(picture, "PNG"));
    const QByteArray list = QUrl::fromLocalFile(file("notes.txt", "notes")).toEncoded() + "\r\n" +
                            QUrl::fromLocalFile(picture).toEncoded() + "\r\n";
    ClipboardOffer links(
        {"--type", "text/uri-list", "--file", file("list", list), "--size", "1073741824", "--announce", "0"});
    ASSERT_TRUE(links.ready());
    ASSERT_TRUE(offered("text/uri-list"));
    const auto pasted = ImageImporter::image(clipboard_);
    ASSERT_TRUE(pasted && pasted.value()) << (pasted ? "no image" : pasted.error().message().toStdString());
    EXPECT_EQ(pasted.value()->size(), QSize(5, 3));
}

TEST_F(PasteFromAnotherProgram, CompletePicturesPasteAndDropWhateverFollowsTheirEnd) {
    const QImage picture = test::quadrants(48, 32);
    const QByteArray jpeg = test::qtEncoded(picture, "JPEG"), png = test::qtEncoded(picture, "PNG");
    const QByteArray gif = test::gif(4, 2, {Qt::red, Qt::blue}, {0, 1, 0, 1, 1, 0, 1, 0});
    // The pixels each should open as, row by row from the top, known without any decoder.
    const auto pixels = [](int width, const std::vector<QColor>& colours) {
        QImage image(width, int(colours.size()) / width, QImage::Format_RGBA8888);
        for (std::size_t i = 0; i < colours.size(); ++i)
            image.setPixelColor(int(i) % width, int(i) / width, colours[i]);
        return image;
    };
    const QColor red(Qt::red), blue(Qt::blue);
    // A motion photo's video.
    QByteArray video(300'000, '\0');
    QRandomGenerator(1).fillRange(reinterpret_cast<quint32*>(video.data()), video.size() / 4);
    // Each picture, what follows it, and the pixels it opens as (a lossy format within a tolerance,
    // but for the edges it blurs): cut inside their data, they do not open.
    const std::tuple<const char*, QByteArray, QByteArray, QImage, int> offers[] = {
        {"image/jpeg", jpeg, video, picture, 48},
        {"image/jpeg", jpeg, QByteArray(4096, '\xFF'), picture, 48},
        {"image/png", png, video.left(100'000), picture, 0},
        {"image/gif", gif, QByteArray(103, 'm'), pixels(4, {red, blue, red, blue, blue, red, blue, red}), 0},
        {"image/bmp",
         test::masksInHeaderBmp(2, 2, 16, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F, 0xFFFF}),
         {},
         pixels(2, {red, Qt::green, blue, Qt::white}),
         0},
        {"image/bmp",
         test::masksInHeaderBmp(2, 2, 32, {0xFF'0000, 0xFF00, 0xFF, 0xFF00'0000},
                                {0x80FF'0000, 0xFF00'FF00, 0x0000'00FF, 0xFFFF'FFFF}),
         {},
         pixels(2, {QColor(255, 0, 0, 128), Qt::green, Qt::transparent, Qt::white}),
         0},
        {"image/jpeg", jpeg.left((jpeg.indexOf("\xFF\xDA") + jpeg.size()) / 2), {}, {}, 0},
        {"image/png", png.left((png.indexOf("IDAT") + png.size()) / 2), {}, {}, 0},
    };
    // A window that takes drops, for another program's drag to find.
    QWidget target;
    target.setAcceptDrops(true);
    target.setWindowFlag(Qt::BypassWindowManagerHint);
    target.setGeometry(200, 200, 300, 200);
    target.show();
    ASSERT_TRUE(test::waitUntil([&] { return target.windowHandle() && target.windowHandle()->isExposed(); }));
    for (const bool dropped : {false, true})
        for (const auto& [type, bytes, after, expected, tolerance] : offers) {
            SCOPED_TRACE(std::string(dropped ? "dropped " : "pasted ") + type + " of " +
                         std::to_string(bytes.size() + after.size()));
            const bool opens = !expected.isNull();
            ASSERT_EQ(bool(ImageImporter::image(bytes)), opens);
            QStringList arguments = {"--type", type, "--file", file("offer", bytes + after),
                                     "--piece", "4096"};
            if (dropped) arguments << "--drag-to" << "350,300";
            ClipboardOffer offer(arguments);
            ASSERT_TRUE(offer.ready());
            Result<std::optional<QImage>, ImageImporter::ImportError> read = std::optional<QImage>();
            if (dropped) {
                X11SelectionOffer drop("XdndSelection", 0, QStringList{QString::fromLatin1(type)});
                read = ImageImporter::image(drop);
            } else {
                ASSERT_TRUE(offered(type));
                read = ImageImporter::image(clipboard_);
            }
            if (!opens) {
                ASSERT_FALSE(read);
                EXPECT_EQ(read.error(), ImageImporter::ImportError::unreadable());
                continue;
            }
            ASSERT_TRUE(read && *read) << (read ? "nothing" : read.error().message().toStdString());
            EXPECT_TRUE(test::imagesNear(**read, expected, tolerance, tolerance > 0 ? 0.1 : 0));
        }
}

TEST_F(PasteFromAnotherProgram, APastedPictureCostsWhatItsPixelsNeedAndJunkStopsAtItsStart) {
    // Hundreds of megabytes of palettes or profile parts for one pixel: the metadata passes by.
    for (const QByteArray& bytes :
         {test::pngWithPaletteChunks(300 << 20), test::jpegWithProfileSegments(230 << 20)}) {
        const QString type = bytes.startsWith("\x89PNG") ? "image/png" : "image/jpeg";
        SCOPED_TRACE(type.toStdString());
        ClipboardOffer offer({"--type", type, "--file", file("bomb", bytes), "--piece", "1048576"});
        ASSERT_TRUE(offer.ready());
        ASSERT_TRUE(offered(type));
        const test::PeakMemory memory;
        const auto pasted = ImageImporter::image(clipboard_);
        EXPECT_LT(memory.growth(), 100 << 20);
        ASSERT_TRUE(pasted && pasted.value());
        EXPECT_EQ(pasted.value()->size(), QSize(1, 1));
    }
    // A signature and then nothing an image holds: refused from its first bytes.
    ClipboardOffer junk({"--type", "image/png", "--file", file("junk", QByteArray("\x89PNG\r\n\x1a\n", 8)), "--size",
                         "1073741824", "--announce", "0"});
    ASSERT_TRUE(junk.ready());
    ASSERT_TRUE(offered("image/png"));
    const test::PeakMemory memory;
    const auto pasted = ImageImporter::image(clipboard_);
    ASSERT_FALSE(pasted);
    EXPECT_EQ(pasted.error(), ImageImporter::ImportError::unreadable());
    EXPECT_LT(memory.growth(), 16 << 20);
}

TEST_F(PasteFromAnotherProgram, AnOfferIsReadNoFurtherThanItsFirstByteThatBreaksItsFormat) {
    // Each looks right for its first 64 KiB, then breaks: a critical chunk libpng does not know, a
    // chunk header of zeros, a marker libjpeg does not know, a block of no known type. Sent as
    // xclip sends a file, its length not announced.
    constexpr qsizetype length = 96 << 20;
    const QByteArray png = test::plausibleStart("PNG");
    const quint32 chunk = qToBigEndian(quint32(length - png.size() - 12));
    const QByteArray critical = png + QByteArray(reinterpret_cast<const char*>(&chunk), 4) + "QUUX";
    const std::pair<const char*, QByteArray> offers[] = {
        {"image/png", critical},
        {"image/png", png},
        {"image/jpeg", test::plausibleStart("JPEG") + "\xFF\x02"},
        {"image/gif", test::plausibleStart("GIF")},
    };
    for (const auto& [type, start] : offers) {
        SCOPED_TRACE(start.right(8).toHex().toStdString());
        ClipboardOffer offer({"--type", type, "--file", file("start", start), "--size",
                              QString::number(length), "--announce", "0"});
        expectRefusedCheaply(offer, type);
    }
    // A 1 × 1 GIF whose frame goes on in blocks of 0xFF, announced at 200 MB: longer than any GIF
    // within the caps, whichever format it is offered as.
    const QByteArray frame = test::gif(1, 1, {Qt::red}, {0}).left(6 + 7 + 3 * 256 + 10 + 1);
    for (const char* type : {"image/gif", "image/png"}) {
        SCOPED_TRACE(type);
        ClipboardOffer offer(
            {"--type", type, "--file", file("frame", frame), "--size", "209715200", "--fill", "255"});
        expectRefusedCheaply(offer, type);
    }
}

} // namespace
} // namespace quorvane
