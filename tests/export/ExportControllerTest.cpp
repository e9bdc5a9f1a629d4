#include "../canvas/CanvasTesting.h"
#include "ExportTesting.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "platform/LogStore.h"
#include "platform/PosixFile.h"
#include "support/LaterTurn.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QMimeData>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quorvane {
namespace {

using test::ExportFixture;

int logged(std::int64_t since, const std::string& text) {
    int count = 0;
    const auto entries = test::logStore().read(since, ::getpid());
    if (!entries) return -1;
    for (const LogEntry& entry : *entries)
        if (entry.category == "export" && entry.message == text) ++count;
    return count;
}

TEST(ExportController, RemembersTheNewestExportedRevisionPerDocument) {
    ExportFixture f;
    EXPECT_FALSE(f.controller->hasUnexportedChanges(f.document.get())); // revision 0
    EXPECT_FALSE(f.controller->hasUnexportedChanges(nullptr));
    for (int i = 0; i < 5; ++i)
        f.edit();
    EXPECT_TRUE(f.controller->hasUnexportedChanges(f.document.get()));
    ASSERT_TRUE(f.controller->copyFinal(ExportController::Encoding::mayUseWorker));
    EXPECT_EQ(f.controller->message(), "Copied final image.");
    EXPECT_FALSE(f.controller->hasUnexportedChanges(f.document.get()));
    f.edit(); // 6
    EXPECT_TRUE(f.controller->hasUnexportedChanges(f.document.get()));
    ASSERT_TRUE(f.controller->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                           ExportController::Encoding::mayUseWorker));
    EXPECT_FALSE(f.controller->hasUnexportedChanges(f.document.get()));

    // A late record of an older revision never lowers the newer one.
    f.edit(); // 7
    f.controller->markExported(*f.document, 7);
    f.controller->markExported(*f.document, 5);
    EXPECT_FALSE(f.controller->hasUnexportedChanges(f.document.get()));
    // A freed document leaves no mark for the next one, which may land at the same address.
    f.document = ExportFixture::makeDocument(64, 48);
    for (int i = 0; i < 7; ++i)
        f.edit();
    EXPECT_TRUE(f.controller->hasUnexportedChanges(f.document.get()));
}

TEST(ExportController, ABackgroundSaveOfAnOlderRevisionFinishingLateKeepsTheNewerMark) {
    test::RenderLatch latch;
    ExportFixture f;
    f.holdOn(latch);
    for (int i = 0; i < 5; ++i)
        f.edit();
    ASSERT_TRUE(f.controller->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                           ExportController::Encoding::mayUseWorker)); // revision 5, held
    ASSERT_TRUE(latch.waitForArrivals(1));
    f.edit();
    f.edit(); // 7
    f.controller->renderer = EditorDocument::renderOutput;
    ASSERT_TRUE(f.controller->copyFinal(ExportController::Encoding::onGUIThread)); // synchronous, records 7
    latch.open();
    ASSERT_TRUE(f.waitIdle());
    EXPECT_FALSE(f.controller->hasUnexportedChanges(f.document.get()));
    EXPECT_EQ(f.savedFiles(f.folder / "Shots").size(), 1u);
}

TEST(ExportController, AnOpenRedactTextReviewRefusesEveryExport) {
    ExportFixture f;
    test::FakeTextRedactionReview review(f.document.get());
    f.document->setTextRedactionReview(&review);
    std::vector<FileRequest> asked;
    f.controller->chooser = [&](const FileRequest& request, auto) { asked.push_back(request); };
    const auto since = QDateTime::currentMSecsSinceEpoch();

    const std::pair<const char*, std::function<bool()>> commands[] = {
        {"copy", [&] { return f.controller->copyFinal(ExportController::Encoding::mayUseWorker).ok(); }},
        {"save",
         [&] {
             return f.controller
                 ->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                ExportController::Encoding::mayUseWorker)
                 .ok();
         }},
        {"save as", [&] { return f.controller->saveAs(nullptr), false; }},
        {"gif", [&] { return f.controller->exportBeforeAfterGIF(nullptr), false; }},
    };
    int beeps = 0;
    for (const auto& [name, command] : commands) {
        EXPECT_FALSE(command()) << name;
        EXPECT_EQ(f.beeper.beeps, ++beeps) << name;
        EXPECT_EQ(f.controller->message(), "Export failed: Apply or cancel Redact Text first.") << name;
    }
    EXPECT_TRUE(asked.empty());
    // The after-capture actions open the editor instead.
    for (auto action : {PostCaptureAction::copyToClipboard, PostCaptureAction::saveToFolder,
                        PostCaptureAction::copyAndOpenEditor})
        EXPECT_TRUE(f.controller->finishCapture(action)) << rawValue(action).toStdString();
    EXPECT_EQ(f.beeper.beeps, 7);
    EXPECT_EQ(logged(since, "Export refused: Redact Text review open"), 7);
    EXPECT_TRUE(f.savedFiles(f.folder / "Shots").empty());

    // A review opened while the dialog was open is caught when it closes.
    f.document->setTextRedactionReview(nullptr);
    f.holdDialog();
    f.controller->saveAs(nullptr);
    f.document->setTextRedactionReview(&review);
    f.answer(QString::fromStdString((f.folder / "late.png").string()));
    EXPECT_EQ(f.beeper.beeps, 8);
    EXPECT_FALSE(std::filesystem::exists(f.folder / "late.png"));
}

TEST(ExportController, AfterCaptureActions) {
    struct Case {
        PostCaptureAction action;
        bool withDocument;
        bool opensEditor;
        QString message;
    };
    const Case cases[] = {
        {PostCaptureAction::showThumbnail, true, false, ""},
        {PostCaptureAction::openEditor, true, true, ""},
        {PostCaptureAction::copyToClipboard, true, false, "Copied final image."},
        {PostCaptureAction::copyAndOpenEditor, true, true, "Copied final image."},
        {PostCaptureAction::saveToFolder, true, false, "Saved to Shots."},
        {PostCaptureAction::copyToClipboard, false, true, "Export failed: There is no image to export."},
        {PostCaptureAction::saveToFolder, false, true, "Export failed: There is no image to export."},
    };
    for (const Case& c : cases) {
        ExportFixture f(c.withDocument);
        f.countHides();
        // Never to the worker, however large.
        f.backgroundFrom(1);
        const auto since = QDateTime::currentMSecsSinceEpoch();
        EXPECT_EQ(f.controller->finishCapture(c.action), c.opensEditor) << rawValue(c.action).toStdString();
        EXPECT_EQ(f.controller->message(), c.message) << rawValue(c.action).toStdString();
        EXPECT_EQ(f.controller->pendingExports(), 0);
        EXPECT_EQ(f.hidden, 0);
        if (!c.withDocument && c.action == PostCaptureAction::copyToClipboard) {
            EXPECT_EQ(logged(since, "Export failed (png): Quorvane.Export 2 (There is no image to export)"),
                      1);
        }
    }
}

// The capture's own save is over when finishCapture answers, however large the image, so that a
// failure opens the editor with its message; the log says the system's reason in words.
TEST(ExportController, AFailedSaveAfterACaptureOpensTheEditorAndLogsItsReason) {
    for (const auto& [code, words] :
         {std::pair(ENOTDIR, "Not a directory"), std::pair(ENOSPC, "No space left on device")}) {
        ExportFixture f;
        f.backgroundFrom(1);
        f.controller->saver = [code](const QImage&, const QUrl&, ImageExporter::Format, double) {
            return Result<void, Error>(Failure{PosixFile::error(code)});
        };
        const auto since = QDateTime::currentMSecsSinceEpoch();
        EXPECT_TRUE(f.controller->finishCapture(PostCaptureAction::saveToFolder));
        EXPECT_EQ(f.controller->pendingExports(), 0);
        EXPECT_EQ(f.controller->message(), QStringLiteral("Export failed: ") + words + '.');
        EXPECT_EQ(logged(since, "Export failed (png): POSIX " + std::to_string(code) + " (" + words + ")"),
                  1);
    }
}

TEST(ExportController, SendsBackdropsAndEightMegapixelsToTheWorker) {
    ExportFixture f;
    const auto sized = [](int w, int h) { return ExportFixture::makeDocument(w, h); };
    EXPECT_TRUE(f.controller->rendersInBackground(*sized(4000, 2000)));
    EXPECT_FALSE(f.controller->rendersInBackground(*sized(3999, 2000)));
    auto framed = sized(10, 10);
    framed->setBackdrop(Backdrop{});
    EXPECT_TRUE(f.controller->rendersInBackground(*framed));
    // The output size decides, not the crop.
    auto resized = sized(100, 100);
    ASSERT_TRUE(resized->setOutputSize(QSizeF(4000, 2000), std::nullopt));
    EXPECT_TRUE(f.controller->rendersInBackground(*resized));
}

TEST(ExportController, OnlyTheNewestOfTwoBackgroundCopiesReachesTheClipboard) {
    test::RenderLatch latch;
    ExportFixture f;
    f.holdOn(latch);
    ASSERT_TRUE(f.controller->copyFinal(ExportController::Encoding::mayUseWorker));
    f.edit(); // the second copy shows the rectangle
    ASSERT_TRUE(f.controller->copyFinal(ExportController::Encoding::mayUseWorker));
    EXPECT_EQ(f.controller->pendingExports(), 2);
    int exported = 0;
    QObject::connect(f.controller.get(), &ExportController::exported, [&] { ++exported; });
    latch.open();
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(exported, 1);
    EXPECT_EQ(f.controller->message(), "Copied final image.");
    const auto png = f.clipboard.read()->data("image/png");
    const QImage expected = *EditorDocument::renderOutput(f.document->output(f.document->annotations()));
    EXPECT_EQ(ImageImporter::image(png).value().pixelColor(8, 8), expected.pixelColor(8, 8));
    EXPECT_NE(expected.pixelColor(8, 8), f.document->image().pixelColor(8, 8));
}

// Whatever reached the clipboard while a background copy was held stays there: a newer copy of
// ours, or another program's data (with the reason).
TEST(ExportController, AHeldBackgroundCopyLeavesWhatReachedTheClipboardMeanwhile) {
    for (bool ours : {true, false}) {
        test::RenderLatch latch;
        ExportFixture f;
        f.holdOn(latch);
        ASSERT_TRUE(f.controller->copyFinal(ExportController::Encoding::mayUseWorker));
        ASSERT_TRUE(latch.waitForArrivals(1));
        if (ours) {
            f.controller->renderer = EditorDocument::renderOutput;
            ASSERT_FALSE(f.controller->finishCapture(PostCaptureAction::copyToClipboard));
        } else {
            QGuiApplication::clipboard()->setText("someone else's");
        }
        const auto count = f.clipboard.changeCount();
        latch.open();
        ASSERT_TRUE(f.waitIdle());
        EXPECT_EQ(f.clipboard.changeCount(), count) << ours;
        if (ours) continue;
        EXPECT_EQ(f.controller->message(),
                  "Export failed: The clipboard changed while the image was being prepared. Copy again.");
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "someone else's");
    }
}

// Both files are kept (or the older one's failure logged), and only the newest is announced.
TEST(ExportController, OfTwoBackgroundSavesOnlyTheNewestIsAnnounced) {
    for (bool firstFails : {false, true}) {
        test::RenderLatch latch;
        ExportFixture f;
        f.holdOn(latch);
        int saves = 0;
        f.controller->saver = [&](const QImage& image, const QUrl& to, ImageExporter::Format format,
                                  double quality) {
            if (++saves == 1 && firstFails) return Result<void, Error>(Failure{PosixFile::error(EACCES)});
            return ImageExporter::save(image, to, format, quality);
        };
        ASSERT_TRUE(f.controller->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                               ExportController::Encoding::mayUseWorker));
        f.preferences.setFormat(ImageExporter::Format::jpeg);
        ASSERT_TRUE(f.controller->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                               ExportController::Encoding::mayUseWorker));
        std::vector<QUrl> announced;
        QObject::connect(f.controller.get(), &ExportController::lastURLChanged,
                         [&] { announced.push_back(f.controller->lastURL()); });
        const auto since = QDateTime::currentMSecsSinceEpoch();
        latch.open();
        ASSERT_TRUE(f.waitIdle());
        EXPECT_EQ(f.savedFiles(f.folder / "Shots").size(), firstFails ? 1u : 2u);
        ASSERT_EQ(announced.size(), 1u);
        EXPECT_TRUE(announced[0].toLocalFile().endsWith(".jpg"));
        EXPECT_EQ(f.preferences.lastExport(), announced[0].toLocalFile());
        EXPECT_EQ(f.controller->message(), "Saved to Shots.");
        EXPECT_EQ(logged(since, "Saved 64x48 px png"), firstFails ? 0 : 1);
        EXPECT_EQ(logged(since, "Export failed (png): POSIX 13 (Permission denied)"), firstFails ? 1 : 0);
    }
}

TEST(ExportController, TheIdleHandlerRunsOnceRightAfterTheLastFinish) {
    test::RenderLatch latch;
    ExportFixture f;
    f.holdOn(latch);
    ASSERT_TRUE(f.controller->copyFinal(ExportController::Encoding::mayUseWorker));
    ASSERT_TRUE(f.controller->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                           ExportController::Encoding::mayUseWorker));
    std::vector<QString> seen;
    f.controller->whenIdle([&] {
        seen.push_back(f.controller->message() + " / " + QString::number(f.controller->pendingExports()));
    });
    EXPECT_TRUE(seen.empty());
    latch.open();
    ASSERT_TRUE(f.waitIdle());
    // Not again on the turns after.
    ASSERT_TRUE(test::laterTurn());
    EXPECT_EQ(seen, std::vector<QString>{"Saved to Shots. / 0"});
    // Nothing in flight: at once.
    f.controller->whenIdle([&] { seen.push_back("now"); });
    EXPECT_EQ(seen.size(), 2u);
}

TEST(ExportController, SavesAndHidesTheEditorOnlyForASaveOfWhatIsStillShown) {
    struct Case {
        const char* name;
        bool background;
        std::function<void(ExportFixture&)> meanwhile;
        int hidden;
    };
    const Case cases[] = {
        {"synchronous", false, {}, 1},
        {"background", true, {}, 1},
        {"edited meanwhile", true, [](ExportFixture& f) { f.edit(); }, 0},
        {"other document", true, [](ExportFixture& f) { f.document = ExportFixture::makeDocument(8, 8); }, 0},
        // A document closed during its background save is still saved.
        {"closed meanwhile", true, [](ExportFixture& f) { f.document.reset(); }, 0},
    };
    for (const Case& c : cases) {
        test::RenderLatch latch;
        ExportFixture f;
        f.countHides();
        if (c.background) f.backgroundFrom(1);
        f.controller->renderer = latch.renderer();
        if (!c.background) latch.open();
        ASSERT_TRUE(f.controller->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                               ExportController::Encoding::mayUseWorker))
            << c.name;
        if (c.meanwhile) c.meanwhile(f);
        latch.open();
        ASSERT_TRUE(f.waitIdle());
        EXPECT_EQ(f.hidden, c.hidden) << c.name;
        EXPECT_EQ(f.controller->message(), "Saved to Shots.") << c.name;
        EXPECT_EQ(f.savedFiles(f.folder / "Shots").size(), 1u) << c.name;
    }
}

} // namespace
} // namespace quorvane
