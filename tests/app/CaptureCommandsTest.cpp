#include "ShellTesting.h"

#include <QClipboard>
#include <QMimeData>

namespace quorvane {
namespace {

using test::ShellRig;

TEST(CaptureCommands, EachPostCaptureActionEndsWhereTheUserAsked) {
    {
        ShellRig rig;
        rig.exports.preferences.setPostCaptureAction(PostCaptureAction::saveToFolder);
        rig.commands->captureScreen();
        ASSERT_TRUE(rig.capture.settle());
        ASSERT_TRUE(rig.exports.waitIdle());
        EXPECT_EQ(rig.exports.savedFiles(rig.exports.folder / "Shots").size(), 1u);
        EXPECT_TRUE(rig.logged("Post-capture action: saveToFolder"));
        EXPECT_EQ(rig.editorShown, 0);
        EXPECT_EQ(rig.commands->statusToolTip(), QStringLiteral("Quorvane: ") + rig.exporter->message());
        EXPECT_EQ(rig.announcer.lastAnnouncement().value_or(QString()), rig.exporter->message());
    }
    {
        ShellRig rig;
        rig.exports.preferences.setPostCaptureAction(PostCaptureAction::copyToClipboard);
        rig.commands->captureScreen();
        ASSERT_TRUE(rig.capture.settle());
        ASSERT_TRUE(rig.exports.waitIdle());
        EXPECT_TRUE(rig.logged("Post-capture action: copyToClipboard"));
        EXPECT_FALSE(rig.exports.clipboard.read()->data(QStringLiteral("image/png")).isEmpty());
        EXPECT_EQ(rig.editorShown, 0);
    }
    {
        ShellRig rig;
        rig.exports.preferences.setPostCaptureAction(PostCaptureAction::openEditor);
        rig.commands->captureScreen();
        // Shown before the capture starts and again once it is the document.
        EXPECT_EQ(rig.editorShown, 1);
        ASSERT_TRUE(rig.capture.settle());
        EXPECT_EQ(rig.editorShown, 2);
        EXPECT_TRUE(rig.logged("Post-capture action: openEditor"));
    }
    {
        ShellRig rig;
        rig.exports.preferences.setPostCaptureAction(PostCaptureAction::showThumbnail);
        rig.commands->captureScreen();
        ASSERT_TRUE(rig.capture.settle());
        EXPECT_EQ(rig.thumbnails, 1);
        EXPECT_EQ(rig.editorShown, 0);
        EXPECT_TRUE(rig.logged("Post-capture action: showThumbnail"));
    }
}

TEST(CaptureCommands, ASaveThatCannotBeDoneOpensTheEditor) {
    ShellRig rig;
    // The Pictures folder is a file: the save fails with a message, and nothing is lost.
    const auto blocker = rig.exports.folder / "NotAFolder";
    std::ofstream(blocker) << "a file";
    rig.exports.preferences.setSaveFolder(QString::fromStdString(blocker.string()));
    rig.exports.preferences.setPostCaptureAction(PostCaptureAction::saveToFolder);
    rig.commands->captureScreen();
    ASSERT_TRUE(rig.capture.settle());
    ASSERT_TRUE(rig.exports.waitIdle());
    EXPECT_EQ(rig.editorShown, 1);
    EXPECT_NE(rig.controller().document(), nullptr);
    EXPECT_TRUE(rig.exporter->message().startsWith(QStringLiteral("Export failed")))
        << rig.exporter->message().toStdString();
}

TEST(CaptureCommands, ALinksThenAppliesToOneCaptureOnly) {
    ShellRig rig;
    rig.exports.preferences.setPostCaptureAction(PostCaptureAction::showThumbnail);
    rig.commands->oneShotThen = URLCommand::Then::edit;
    EXPECT_TRUE(rig.commands->opensEditorAfterCapture());
    rig.commands->captureScreen();
    EXPECT_EQ(rig.editorShown, 1);
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_TRUE(rig.logged("Post-capture action: openEditor (one-shot)"));
    EXPECT_EQ(rig.thumbnails, 0);
    EXPECT_FALSE(rig.commands->oneShotThen);

    rig.commands->captureScreen();
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_EQ(rig.thumbnails, 1);

    rig.commands->oneShotThen = URLCommand::Then::pin;
    rig.commands->captureScreen();
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_EQ(rig.pinned, 1);
    EXPECT_TRUE(rig.logged("Post-capture action: pin (one-shot)"));
    EXPECT_EQ(rig.thumbnails, 1);
}

TEST(CaptureCommands, LinkNotesNameWhatWillHappen) {
    ShellRig rig;
    rig.exports.preferences.setPostCaptureAction(PostCaptureAction::copyAndOpenEditor);
    EXPECT_EQ(rig.commands->linkNote(),
              QStringLiteral(
                  "Started by a link · the capture will be copied and opened in the editor · Esc cancels"));
    rig.commands->oneShotThen = URLCommand::Then::save;
    EXPECT_EQ(rig.commands->linkNote(),
              QStringLiteral("Started by a link · the capture will be saved to your folder · Esc cancels"));
    rig.commands->oneShotThen = URLCommand::Then::pin;
    EXPECT_EQ(rig.commands->linkNote(),
              QStringLiteral("Started by a link · the capture will be pinned on screen · Esc cancels"));
}

TEST(CaptureCommands, ANewerConfirmationKeepsTheToolTipAndRestartsItsReset) {
    ShellRig rig;
    std::vector<QString> toolTips;
    QObject::connect(rig.commands.get(), &CaptureCommands::statusToolTipChanged,
                     [&](const QString& toolTip) { toolTips.push_back(toolTip); });
    rig.commands->confirm(QStringLiteral("Copied"));
    rig.commands->confirm(QStringLiteral("Saved"));
    EXPECT_EQ(rig.commands->statusToolTip(), QStringLiteral("Quorvane: Saved"));
    // Only one reset is pending: the first confirmation's never turns the second one back.
    ASSERT_TRUE(
        test::waitUntil([&] { return rig.commands->statusToolTip() == QStringLiteral("Quorvane"); }, 20000));
    EXPECT_EQ(toolTips,
              (std::vector<QString>{QStringLiteral("Quorvane: Copied"), QStringLiteral("Quorvane: Saved"),
                                    QStringLiteral("Quorvane")}));
}

} // namespace
} // namespace quorvane
