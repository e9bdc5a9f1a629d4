#include "export/NoOverwriteSaveDialog.h"

#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

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
    EXPECT_EQ(NoOverwriteSaveDialog::validateNewDestination(dir + "/shot.png")->code, 3);
    EXPECT_FALSE(NoOverwriteSaveDialog::validateNewDestination(dir + "/free.png"));
}

} // namespace
} // namespace quorvane
