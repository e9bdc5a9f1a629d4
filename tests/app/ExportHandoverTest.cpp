// A file dialog's completion saves the document it was opened for, even when a capture replaced
// that document while the dialog was open.

#include "ShellTesting.h"

#include <QPointer>

namespace quorvane {
namespace {

TEST(ExportHandover, SaveAsAndTheGIFKeepTheirDocumentThroughAReplacement) {
    enum class Dialog { saveAs, beforeAfterGIF };
    for (Dialog dialog : {Dialog::saveAs, Dialog::beforeAfterGIF}) {
        test::ShellRig rig;
        rig.exporter->chooser = [&rig](const FileRequest& request, auto done) {
            rig.exports.asked = request;
            rig.exports.answer = std::move(done);
        };
        const QPointer<EditorDocument> shown = rig.open(40, 30);
        if (dialog == Dialog::saveAs)
            rig.exporter->saveAs(nullptr);
        else
            rig.exporter->exportBeforeAfterGIF(nullptr);
        ASSERT_TRUE(rig.exports.answer);

        // A clean document is simply replaced, and the replaced one goes on a later turn.
        rig.open(20, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_NE(rig.controller().document(), shown.data());
        EXPECT_FALSE(shown.isNull());

        const QString path = QString::fromStdString((rig.exports.folder / "kept").string()) +
                             (dialog == Dialog::saveAs ? ".png" : ".gif");
        std::exchange(rig.exports.answer, nullptr)(path);
        rig.exports.waitIdle();
        const QImage written(path);
        EXPECT_EQ(written.size(), QSize(40, 30)) << rig.exporter->message().toStdString();
        EXPECT_FALSE(rig.exporter->message().startsWith("Export failed"));

        // Once its dialog is done, the replaced document goes.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(shown.isNull());
    }
}

} // namespace
} // namespace quorvane
