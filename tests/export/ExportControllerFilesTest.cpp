#include "ExportTesting.h"
#include "export/ExportFiles.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "platform/PosixFile.h"

#include <QFile>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ExportFixture;

QString path(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

// A chooser that records what it was asked and answers with `answer`.
struct ScriptedChooser {
    std::vector<FileRequest> requests;
    std::optional<QString> answer;
    FileChooser chooser() {
        return [this](const FileRequest& request, std::function<void(std::optional<QString>)> done) {
            requests.push_back(request);
            done(answer);
        };
    }
};

TEST(ExportControllerFiles, ChoosingAFolderStoresItAndNamesIt) {
    ExportFixture f;
    ScriptedChooser chooser;
    f.controller->chooser = chooser.chooser();
    std::filesystem::create_directories(f.folder / "Shots");
    chooser.answer = path(f.folder / "Shots");
    f.controller->chooseFolder(nullptr);
    EXPECT_EQ(f.controller->message(), "Save folder: Shots");
    EXPECT_EQ(f.store.string("saveFolder"), path(f.folder / "Shots"));
    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_EQ(chooser.requests[0].kind, FileRequest::Kind::folder);

    // Cancelled: nothing changes.
    chooser.answer.reset();
    f.controller->chooseFolder(nullptr);
    EXPECT_EQ(f.controller->message(), "Save folder: Shots");
}

TEST(ExportControllerFiles, SaveAsProposesTheSourceNameWithTheFormat) {
    struct Case {
        std::optional<QString> source;
        ImageExporter::Format format;
        QString proposed;
    };
    const Case cases[] = {
        {"Screen Shot.png", ImageExporter::Format::jpeg, "Screen Shot (Quorvane).jpg"},
        {"archive.tar.png", ImageExporter::Format::png, "archive.tar (Quorvane).png"},
        {".hidden", ImageExporter::Format::png, ".hidden (Quorvane).png"},
    };
    for (const Case& c : cases) {
        ExportFixture f;
        f.document = ExportFixture::makeDocument(8, 8, c.source);
        f.preferences.setFormat(c.format);
        ScriptedChooser chooser;
        f.controller->chooser = chooser.chooser();
        f.controller->saveAs(nullptr);
        ASSERT_EQ(chooser.requests.size(), 1u);
        EXPECT_EQ(chooser.requests[0].proposedName, c.proposed);
        EXPECT_EQ(chooser.requests[0].directory, f.preferences.saveFolder());
    }
    // Without a source name, a new unique name.
    ExportFixture f;
    ScriptedChooser chooser;
    f.controller->chooser = chooser.chooser();
    f.controller->saveAs(nullptr);
    EXPECT_TRUE(chooser.requests.at(0).proposedName.startsWith("QuorvaneShot-"));
    EXPECT_TRUE(chooser.requests.at(0).proposedName.endsWith(".png"));
}

TEST(ExportControllerFiles, SaveAsKeepsTheFormatAndQualityOfWhenItsDialogOpened) {
    ExportFixture f;
    f.preferences.setFormat(ImageExporter::Format::jpeg);
    f.preferences.setJpegQuality(0.3);
    std::function<void(std::optional<QString>)> answer;
    f.controller->chooser = [&](const FileRequest&, auto done) { answer = done; };
    std::vector<std::pair<ImageExporter::Format, double>> saved;
    f.controller->saver = [&](const QImage& image, const QUrl& to, ImageExporter::Format format,
                              double quality) {
        saved.emplace_back(format, quality);
        return ImageExporter::save(image, to, format, quality);
    };
    f.preferences.setHideAfterSave(true);
    int hidden = 0;
    f.controller->onSaved = [&] { ++hidden; };
    f.controller->saveAs(nullptr);
    f.preferences.setFormat(ImageExporter::Format::png);
    f.preferences.setJpegQuality(1.0);
    answer(path(f.folder / "chosen.jpg"));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], std::pair(ImageExporter::Format::jpeg, 0.3));
    EXPECT_EQ(QFile(path(f.folder / "chosen.jpg")).open(QIODevice::ReadOnly), true);
    EXPECT_EQ(f.controller->message(),
              "Saved to " + QString::fromStdString(f.folder.path().filename().string()) + ".");
    EXPECT_EQ(f.controller->lastURL(), QUrl::fromLocalFile(path(f.folder / "chosen.jpg")));
    EXPECT_EQ(hidden, 1);
}

TEST(ExportControllerFiles, ANameThatAppearsBeforeTheSaveIsNeverReplaced) {
    ExportFixture f;
    std::function<void(std::optional<QString>)> answer;
    f.controller->chooser = [&](const FileRequest&, auto done) { answer = done; };
    f.controller->saveAs(nullptr);
    {
        QFile other(path(f.folder / "taken.png"));
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("theirs");
    }
    answer(path(f.folder / "taken.png"));
    EXPECT_TRUE(f.controller->message().startsWith("Export failed: "))
        << f.controller->message().toStdString();
    QFile other(path(f.folder / "taken.png"));
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), "theirs");
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
        const bool saved = f.controller->saveToFolder(true, false);
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
            return std::optional<Error>(PosixFile::error(code));
        };
        EXPECT_FALSE(f.controller->saveToFolder(true, false));
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
    ASSERT_TRUE(f.controller->saveToFolder(true, false));
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

TEST(ExportControllerFiles, DisplayNamesAndStems) {
    EXPECT_EQ(ExportFiles::folderDisplayName(QUrl::fromLocalFile("/home/me/Shots/a.png")), "Shots");
    EXPECT_EQ(ExportFiles::folderDisplayName(QUrl::fromLocalFile("/a.png")), "/");
    EXPECT_EQ(ExportFiles::stem("Shot.png"), "Shot");
    EXPECT_EQ(ExportFiles::stem("dir/evil/../Shot.png"), "Shot");
    EXPECT_EQ(ExportFiles::stem("noextension"), "noextension");
}

} // namespace
} // namespace quorvane
