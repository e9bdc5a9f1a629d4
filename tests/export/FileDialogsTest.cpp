#include "export/FileDialogs.h"

#include "export/NoOverwriteSaveDialog.h"
#include "support/TempDir.h"

#include <QApplication>
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

} // namespace
} // namespace quorvane
