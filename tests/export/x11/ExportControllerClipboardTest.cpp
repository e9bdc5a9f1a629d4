#include "../ExportTesting.h"
#include "export/ImageImporter.h"
#include "support/ImageCompare.h"
#include "support/PasteElsewhere.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ExportFixture;
using test::pasteElsewhere;

TEST(ExportControllerClipboard, OtherProgramsPasteTheFinalImage) {
    ExportFixture f;
    f.edit();
    ASSERT_TRUE(f.controller->copyFinal(true));
    const QImage expected = *EditorDocument::renderOutput(f.document->output(f.document->annotations()));
    const auto pasted = ImageImporter::image(pasteElsewhere("image/png"));
    ASSERT_TRUE(pasted);
    EXPECT_TRUE(test::imagesNear(*pasted, expected, 0));
}

TEST(ExportControllerClipboard, AnotherProgramWritingDuringABackgroundCopyKeepsItsData) {
    test::RenderLatch latch;
    ExportFixture f;
    f.holdOn(latch);
    ASSERT_TRUE(f.controller->copyFinal(true));
    ASSERT_TRUE(latch.waitForArrivals(1));
    // xclip takes the clipboard and stays to serve it; its exit is not waited for.
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-i", "-quiet"});
    ASSERT_TRUE(xclip.waitForStarted());
    xclip.write("their text");
    xclip.closeWriteChannel();
    // Until the server knows the new owner. The worker is held, so no finish runs meanwhile.
    ASSERT_TRUE(test::waitUntil([] { return pasteElsewhere("UTF8_STRING") == "their text"; }, 20000));
    latch.open();
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(f.controller->message(),
              "Export failed: The clipboard changed while the image was being prepared. Copy again.");
    EXPECT_EQ(pasteElsewhere("UTF8_STRING"), "their text");
    xclip.kill();
    xclip.waitForFinished();
}

} // namespace
} // namespace quorvane
