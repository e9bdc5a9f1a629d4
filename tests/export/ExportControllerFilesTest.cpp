#include "ExportTesting.h"
#include "export/ExportFiles.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "platform/PosixFile.h"

#include <QFile>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ExportFixture;

QString path(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

TEST(ExportControllerFiles, ChoosingAFolderStoresItAndNamesIt) {
    ExportFixture f;
    f.holdDialog();
    std::filesystem::create_directories(f.folder / "Shots");
    f.controller->chooseFolder(nullptr);
    EXPECT_EQ(f.asked.kind, FileRequest::Kind::folder);
    f.answer(path(f.folder / "Shots"));
    EXPECT_EQ(f.controller->message(), "Save folder: Shots");
    EXPECT_EQ(f.store.string("saveFolder"), path(f.folder / "Shots"));
    // Cancelled: nothing changes.
    f.controller->chooseFolder(nullptr);
    f.answer(std::nullopt);
    EXPECT_EQ(f.controller->message(), "Save folder: Shots");
}

TEST(ExportControllerFiles, SaveAsProposesTheSourceNameWithTheFormat) {
    const std::tuple<std::optional<QString>, ImageExporter::Format, QString> cases[] = {
        {"Screen Shot.png", ImageExporter::Format::jpeg, "Screen Shot (Quorvane).jpg"},
        {"archive.tar.png", ImageExporter::Format::png, "archive.tar (Quorvane).png"},
        {".hidden", ImageExporter::Format::png, ".hidden (Quorvane).png"},
        {std::nullopt, ImageExporter::Format::png, "QuorvaneShot-"}, // a new unique name
    };
    for (const auto& [source, format, proposed] : cases) {
        ExportFixture f;
        f.document = ExportFixture::makeDocument(8, 8, source);
        f.preferences.setFormat(format);
        f.holdDialog();
        f.controller->saveAs(nullptr);
        const QString& name = f.asked.proposedName;
        EXPECT_TRUE(source ? name == proposed : name.startsWith(proposed) && name.endsWith(".png"))
            << name.toStdString();
        EXPECT_EQ(f.asked.directory, f.preferences.saveFolder());
    }
}

TEST(ExportControllerFiles, SaveAsKeepsTheFormatAndQualityOfWhenItsDialogOpened) {
    ExportFixture f;
    f.preferences.setFormat(ImageExporter::Format::jpeg);
    f.preferences.setJpegQuality(0.3);
    f.holdDialog();
    std::vector<std::pair<ImageExporter::Format, double>> saved;
    f.controller->saver = [&](const QImage& image, const QUrl& to, ImageExporter::Format format,
                              double quality) {
        saved.emplace_back(format, quality);
        return ImageExporter::save(image, to, format, quality);
    };
    f.countHides();
    f.controller->saveAs(nullptr);
    f.preferences.setFormat(ImageExporter::Format::png);
    f.preferences.setJpegQuality(1.0);
    f.answer(path(f.folder / "chosen.jpg"));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], std::pair(ImageExporter::Format::jpeg, 0.3));
    EXPECT_EQ(QFile(path(f.folder / "chosen.jpg")).open(QIODevice::ReadOnly), true);
    EXPECT_EQ(f.controller->message(),
              "Saved to " + QString::fromStdString(f.folder.path().filename().string()) + ".");
    EXPECT_EQ(f.controller->lastURL(), QUrl::fromLocalFile(path(f.folder / "chosen.jpg")));
    EXPECT_EQ(f.hidden, 1);
}

TEST(ExportControllerFiles, ANameThatAppearsBeforeTheSaveIsNeverReplaced) {
    ExportFixture f;
    f.holdDialog();
    f.controller->saveAs(nullptr);
    std::ofstream(f.folder / "taken.png") << "theirs";
    f.answer(path(f.folder / "taken.png"));
    EXPECT_TRUE(f.controller->message().startsWith("Export failed: "))
        << f.controller->message().toStdString();
    std::string kept;
    std::ifstream(f.folder / "taken.png") >> kept;
    EXPECT_EQ(kept, "theirs");
    EXPECT_TRUE(f.controller->lastURL().isEmpty());
}

TEST(ExportControllerFiles, TheSaveFolderIsMadeWhenMissingAndRefusedWhenNotAFolder) {
    struct Case {
        const char* name;
        std::function<std::filesystem::path(const std::filesystem::path&)> prepare;
        bool saves;
    };
    const Case cases[] = {
        {"missing with parents", [](const auto& root) { return root / "a" / "b" / "Shots"; }, true},
        {"a file",
         [](const auto& root) {
             QFile file(path(root / "plain"));
             (void)file.open(QIODevice::WriteOnly);
             return root / "plain";
         },
         false},
        {"a dangling link",
         [](const auto& root) {
             std::filesystem::create_symlink(root / "gone", root / "link");
             return root / "link";
         },
         false},
    };
    for (const Case& c : cases) {
        ExportFixture f;
        const auto folder = c.prepare(f.folder.path());
        f.preferences.setSaveFolder(path(folder));
        const bool saved = f.controller
                               ->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                              ExportController::Encoding::onGUIThread)
                               .ok();
        EXPECT_EQ(saved, c.saves) << c.name;
        if (c.saves) {
            EXPECT_EQ(f.controller->message(), "Saved to Shots.") << c.name;
            EXPECT_EQ(f.savedFiles(folder).size(), 1u) << c.name;
        } else {
            EXPECT_TRUE(f.controller->message().startsWith("Export failed: ")) << c.name;
            EXPECT_FALSE(std::filesystem::exists(f.folder / "gone")) << c.name;
        }
    }
}

TEST(ExportControllerFiles, AFullOrReadOnlyDiskFailsWithItsMessage) {
    for (int code : {ENOSPC, EACCES, EROFS}) {
        ExportFixture f;
        f.controller->saver = [code](const QImage&, const QUrl&, ImageExporter::Format, double) {
            return Result<void, Error>(Failure{PosixFile::error(code)});
        };
        EXPECT_FALSE(f.controller->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                                ExportController::Encoding::onGUIThread));
        EXPECT_EQ(f.controller->message(), "Export failed: " + PosixFile::error(code).message);
        EXPECT_TRUE(f.controller->lastURL().isEmpty());
    }
}

TEST(ExportControllerFiles, ReopenReadsTheLastSavedFileBack) {
    ExportFixture f;
    EXPECT_FALSE(f.controller->reopenLast());
    EXPECT_EQ(f.controller->message(), "Export failed: The last exported file is unavailable.");

    std::optional<QImage> reopened;
    bool accept = true;
    f.controller->onReopen = [&](const QImage& image) {
        reopened = image;
        return accept;
    };
    ASSERT_TRUE(f.controller->saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                           ExportController::Encoding::onGUIThread));
    const QUrl saved = f.controller->lastURL();
    ASSERT_TRUE(f.controller->reopenLast());
    EXPECT_EQ(f.controller->message(), "Reopened " + saved.fileName() + ".");
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->size(), QSize(64, 48));

    // The capture controller keeps its document: no claim that it was reopened.
    accept = false;
    const QString before = f.controller->message();
    EXPECT_FALSE(f.controller->reopenLast());
    EXPECT_EQ(f.controller->message(), before);

    // The next launch still knows the file, even once it is gone.
    f.controller.reset();
    std::filesystem::remove(saved.toLocalFile().toStdString());
    auto next = f.makeController();
    EXPECT_EQ(next->lastURL(), saved);
    EXPECT_FALSE(next->reopenLast());
    EXPECT_EQ(next->message(), "Export failed: " + ImageImporter::image(saved).error().message(saved))
        << next->message().toStdString();
}

TEST(ExportControllerFiles, StemsDropFoldersAndTheLastSuffix) {
    EXPECT_EQ(ExportFiles::folderDisplayName(QUrl::fromLocalFile("/a.png")), "/");
    EXPECT_EQ(ExportFiles::stem("dir/evil/../Shot.png"), "Shot");
}

} // namespace
} // namespace quorvane
