#include "app/DocumentCommands.h"

#include "ShellTesting.h"
#include "support/QtPrinters.h"

#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>

namespace quorvane {
namespace {

struct DocumentRig : test::ShellRig {
    // Text being typed: a commit writes it into the document open then. The shell hands its one
    // commit to the document commands and the capture controller alike.
    QString typing;
    DocumentCommands documents{controller(),
                               *exporter,
                               *quit,
                               exports.clipboard,
                               exports.beeper,
                               input,
                               {.editorWindow = []() -> EditorWindow* { return nullptr; },
                                .commitEditing = [this] { commitTyping(); }}};
    DocumentRig() {
        controller().commitEditing = [this] { commitTyping(); };
        QObject::connect(&documents, &DocumentCommands::editorRequested, [this] { ++editorShown; });
    }
    void commitTyping() {
        if (typing.isEmpty() || controller().document() == nullptr) return;
        Annotation text = test::annotation(AnnotationKind::text, QRectF(4, 4, 40, 12));
        text.text = std::exchange(typing, QString());
        controller().document()->addAnnotation(text);
    }
    static QStringList texts(const EditorDocument& document) {
        QStringList found;
        for (const Annotation& annotation : document.annotations())
            if (annotation.kind == AnnotationKind::text) found << annotation.text;
        return found;
    }
};

TEST(DocumentCommands, PasteTakesOnlyImagesAndSaysWhyNot) {
    DocumentRig rig;
    EditorDocument* before = rig.open();
    QGuiApplication::clipboard()->setText(QStringLiteral("just words"));
    const int beeps = rig.exports.beeper.beeps;
    rig.documents.paste();
    EXPECT_EQ(rig.exports.beeper.beeps, beeps + 1);
    EXPECT_EQ(rig.controller().document(), before);
    EXPECT_FALSE(rig.controller().errorMessage());

    test::TempDir folder;
    // An image of a type Quorvane does not open.
    std::ofstream(folder / "drawing.svg")
        << R"(<svg xmlns="http://www.w3.org/2000/svg" width="4" height="4"/>)";
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString((folder / "drawing.svg").string()))});
    QGuiApplication::clipboard()->setMimeData(data);
    rig.documents.paste();
    EXPECT_EQ(rig.controller().document(), before);
    ASSERT_TRUE(rig.controller().errorMessage());
    EXPECT_FALSE(rig.controller().errorIsRetryable());
    EXPECT_GE(rig.editorShown, 1);
    // The reason in words, without the file's name.
    EXPECT_EQ(
        rig.log.count("Import failed: Quorvane.Import 0 (Quorvane can't open this item: SVG image isn't a "
                      "supported format. Open a PNG, JPEG, HEIC, TIFF, GIF, or BMP image)"),
        1)
        << testing::PrintToString(rig.log.lines());

    QGuiApplication::clipboard()->setImage(test::gradientImage(30, 20));
    rig.documents.paste();
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return rig.controller().document() != before; }));
    EXPECT_EQ(rig.controller().document()->cropRect().size(), QSizeF(30, 20));
    EXPECT_TRUE(rig.logged("Imported 30x20 px image"));
}

// A link to a file on another computer, pasted or opened (the command line, a second start, a
// drop), opens nothing: the notice and the log name the host.
TEST(DocumentCommands, AFileOnAnotherComputerIsRefusedNamingTheHost) {
    DocumentRig rig;
    EditorDocument* before = rig.open();
    test::TempDir folder;
    const QString picture = QString::fromStdString((folder / "picture.png").string());
    ASSERT_TRUE(test::gradientImage(30, 20).save(picture));
    const QUrl elsewhere(QStringLiteral("file://otherhost") + QUrl::fromLocalFile(picture).path());
    const std::string logged =
        "Import failed: Quorvane.Import 4 (Quorvane can't open files on otherhost: "
        "only files on this computer can be opened)";
    auto* data = new QMimeData;
    data->setUrls({elsewhere});
    QGuiApplication::clipboard()->setMimeData(data);
    rig.documents.paste();
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return rig.log.count(logged) == 1; }))
        << testing::PrintToString(rig.log.lines());
    EXPECT_EQ(rig.controller().errorMessage(),
              QStringLiteral("Quorvane can't open files on otherhost: only files on this computer can be "
                             "opened."));
    rig.documents.importFile(elsewhere);
    EXPECT_EQ(rig.controller().errorMessage(),
              QStringLiteral("Quorvane can't open files on otherhost: “picture.png” isn't on this computer."));
    EXPECT_EQ(rig.log.count(logged), 2);
    EXPECT_EQ(rig.controller().document(), before);
    EXPECT_FALSE(rig.logged("Imported 30x20 px image"));
}

TEST(DocumentCommands, ReopeningAsksBeforeDroppingEditsAndCancellingKeepsTheDocument) {
    DocumentRig rig;
    EditorDocument* document = rig.open();
    test::ShellRig::edit(*document);
    rig.documents.reopenLastExport();
    ASSERT_TRUE(rig.question.isOpen());
    EXPECT_EQ(rig.question.box()->informativeText(),
              QStringLiteral("Reopening the last export discards edits that were not copied or saved."));
    ASSERT_TRUE(rig.answer(QStringLiteral("Cancel")));
    EXPECT_EQ(rig.controller().document(), document);

    // Cancelling the open dialog changes nothing either.
    rig.documents.openImage();
    ASSERT_NE(rig.documents.openDialog(), nullptr);
    EXPECT_EQ(rig.editorShown, 1);
    rig.documents.openDialog()->reject();
    test::CaptureRig::turnUntil([] { return false; }, 20);
    EXPECT_EQ(rig.controller().document(), document);
    EXPECT_FALSE(rig.controller().errorMessage());
    EXPECT_EQ(rig.documents.openDialog(), nullptr);
}

// Text being typed belongs to the document it was typed on: committed before Restore Previous
// Document swaps it away, and before Reopen Last Export judges what would be discarded.
TEST(DocumentCommands, TextBeingTypedIsCommittedBeforeTheDocumentIsReplaced) {
    DocumentRig rig;
    EditorDocument* earlier = rig.open();
    test::ShellRig::edit(*earlier);
    EditorDocument* typedOn = rig.open();
    ASSERT_EQ(rig.controller().previousDocument(), earlier);
    rig.typing = QStringLiteral("restored away");
    rig.documents.restorePreviousDocument();
    ASSERT_EQ(rig.controller().document(), earlier);
    EXPECT_EQ(DocumentRig::texts(*typedOn), QStringList{QStringLiteral("restored away")});
    EXPECT_TRUE(DocumentRig::texts(*earlier).isEmpty());

    // The only edit is the text: Reopen asks about it.
    EditorDocument* clean = rig.open();
    rig.typing = QStringLiteral("reopened over");
    rig.documents.reopenLastExport();
    EXPECT_TRUE(rig.question.isOpen());
    EXPECT_EQ(DocumentRig::texts(*clean), QStringList{QStringLiteral("reopened over")});
    ASSERT_TRUE(rig.answer(QStringLiteral("Cancel")));
    EXPECT_EQ(rig.controller().document(), clean);
}

} // namespace
} // namespace quorvane
