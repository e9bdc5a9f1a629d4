#include "export/FileDialogs.h"

#include "export/NoOverwriteSaveDialog.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

QFileDialog* openDialog() {
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) return dialog;
    return nullptr;
}

TEST(FileDialogs, OpenWithoutWaitingAndAnswerOnce) {
    test::TempDir folder;
    const QString dir = QString::fromStdString(folder.path().string());
    QWidget editor;
    editor.show();
    struct Case {
        FileRequest::Kind kind;
        bool accept;
        bool onWindow;
    };
    for (const Case& c :
         {Case{FileRequest::Kind::newFile, true, false}, Case{FileRequest::Kind::newFile, false, true},
          Case{FileRequest::Kind::folder, true, true}}) {
        FileRequest request;
        if (c.onWindow) request.window = &editor;
        request.kind = c.kind;
        request.directory = dir;
        request.proposedName = "shot";
        request.defaultSuffix = "png";
        std::vector<std::optional<QString>> answers;
        FileDialogs::choose(request, [&](std::optional<QString> path) { answers.push_back(path); });
        // Returned at once, with the dialog still open.
        EXPECT_TRUE(answers.empty());
        QFileDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowModality(), c.onWindow ? Qt::WindowModal : Qt::ApplicationModal);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(qobject_cast<NoOverwriteSaveDialog*>(dialog) != nullptr,
                  c.kind == FileRequest::Kind::newFile);
        if (c.accept)
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        else
            dialog->reject();
        ASSERT_EQ(answers.size(), 1u);
        if (!c.accept)
            EXPECT_FALSE(answers[0]);
        else if (c.kind == FileRequest::Kind::newFile)
            EXPECT_EQ(answers[0], dir + "/shot.png");
        else
            EXPECT_EQ(answers[0], dir);
        QApplication::processEvents();
    }
}

TEST(NoOverwriteSaveDialog, RefusesTheNameThatWouldBeWrittenAndStaysOpen) {
    test::TempDir folder;
    const QString dir = QString::fromStdString(folder.path().string());
    QFile(dir + "/shot.png").open(QIODevice::WriteOnly);
    struct Case {
        QString typed;
        bool refused;
    };
    for (const Case& c : {Case{"shot", true}, Case{"shot.png", true}, Case{"new", false}}) {
        NoOverwriteSaveDialog dialog;
        dialog.setDefaultSuffix("png");
        dialog.setDirectory(dir);
        dialog.selectFile(c.typed);
        int accepted = 0;
        QObject::connect(&dialog, &QDialog::accepted, [&] { ++accepted; });
        dialog.open();
        dialog.accept();
        EXPECT_EQ(accepted, c.refused ? 0 : 1) << c.typed.toStdString();
        EXPECT_EQ(dialog.isVisible(), c.refused) << c.typed.toStdString();
        EXPECT_EQ(dialog.refusal(),
                  c.refused ? "Quorvane never replaces existing files. Choose a new name." : "")
            << c.typed.toStdString();
    }
    EXPECT_EQ(NoOverwriteSaveDialog::validateNewDestination(dir + "/shot.png").error().code, 3);
    EXPECT_TRUE(NoOverwriteSaveDialog::validateNewDestination(dir + "/free.png").ok());
}

// A typed name keeps an extension of the chosen format; another image format's is replaced and
// any other ending gets the format's added, before the check for an existing file.
TEST(NoOverwriteSaveDialog, WritesTheNameWithTheFormatsExtension) {
    test::TempDir folder;
    const QString dir = QString::fromStdString(folder.path().string());
    QFile(dir + "/taken.png").open(QIODevice::WriteOnly);
    const QString png = "PNG image (*.png)", jpeg = "JPEG image (*.jpg *.jpeg)", gif = "GIF image (*.gif)";
    struct Case {
        QString filter, suffix, typed, written; // no written name: refused
    };
    for (const Case& c :
         {Case{png, "png", "shot.jpg", "shot.png"}, Case{png, "png", "shot.txt", "shot.txt.png"},
          Case{png, "png", "shot.PNG", "shot.PNG"}, Case{png, "png", "v1.5", "v1.5.png"},
          Case{jpeg, "jpg", "shot.jpeg", "shot.jpeg"}, Case{jpeg, "jpg", "shot.png", "shot.jpg"},
          Case{gif, "gif", "shot.png", "shot.gif"}, Case{png, "png", "taken.jpg", ""}}) {
        NoOverwriteSaveDialog dialog;
        dialog.setNameFilter(c.filter);
        dialog.setDefaultSuffix(c.suffix);
        dialog.setDirectory(dir);
        dialog.open();
        // Typed into the name field, which has the keyboard.
        QApplication::setActiveWindow(&dialog);
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setFocus();
        ASSERT_TRUE(name->hasFocus());
        name->setText(c.typed);
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, !c.written.isEmpty()) << c.typed.toStdString();
        if (!c.written.isEmpty())
            EXPECT_EQ(dialog.selectedFiles().value(0), dir + "/" + c.written) << c.typed.toStdString();
        else
            EXPECT_FALSE(dialog.refusal().isEmpty());
    }
}

} // namespace
} // namespace quorvane
