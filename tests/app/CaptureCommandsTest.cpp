#include "ShellTesting.h"

#include <QClipboard>
#include <QMimeData>

namespace quorvane {
namespace {

using test::ShellRig;

TEST(CaptureCommands, EachPostCaptureActionEndsWhereTheUserAsked) {
    struct Case {
        PostCaptureAction action;
        const char* logged;
        int editorShown, thumbnails;
    };
    // The editor is shown before the capture starts and again once it is the document.
    const Case cases[] = {{PostCaptureAction::saveToFolder, "Post-capture action: saveToFolder", 0, 0},
                          {PostCaptureAction::copyToClipboard, "Post-capture action: copyToClipboard", 0, 0},
                          {PostCaptureAction::openEditor, "Post-capture action: openEditor", 2, 0},
                          {PostCaptureAction::showThumbnail, "Post-capture action: showThumbnail", 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        ShellRig rig;
        rig.exports.preferences.setPostCaptureAction(c.action);
        rig.commands->captureScreen();
        ASSERT_TRUE(rig.capture.settle());
        ASSERT_TRUE(rig.exports.waitIdle());
        EXPECT_TRUE(rig.logged(c.logged));
        EXPECT_EQ(rig.editorShown, c.editorShown);
        EXPECT_EQ(rig.thumbnails, c.thumbnails);
        if (c.action == PostCaptureAction::saveToFolder) {
            EXPECT_EQ(rig.exports.savedFiles(rig.exports.folder / "Shots").size(), 1u);
            EXPECT_EQ(rig.commands->statusToolTip(), QStringLiteral("Quorvane: ") + rig.exporter->message());
            EXPECT_EQ(rig.announcer.lastAnnouncement().value_or(QString()), rig.exporter->message());
        }
        if (c.action == PostCaptureAction::copyToClipboard) {
            EXPECT_FALSE(rig.exports.clipboard.read()->data(QStringLiteral("image/png")).isEmpty());
        }
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

TEST(CaptureCommands, ALinksThenAppliesToOneCaptureOnlyAndItsNoteNamesIt) {
    ShellRig rig;
    rig.exports.preferences.setPostCaptureAction(PostCaptureAction::showThumbnail);
    rig.commands->oneShotThen = URLCommand::Then::edit;
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

    // The note shown while a link's capture runs names what will happen.
    rig.exports.preferences.setPostCaptureAction(PostCaptureAction::copyAndOpenEditor);
    for (const auto& [then, what] :
         {std::pair{std::optional<URLCommand::Then>(), "copied and opened in the editor"},
          {URLCommand::Then::save, "saved to your folder"},
          {URLCommand::Then::pin, "pinned on screen"}}) {
        rig.commands->oneShotThen = then;
        EXPECT_EQ(rig.commands->linkNote(),
                  QStringLiteral("Started by a link · the capture will be %1 · Esc cancels").arg(what));
    }
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
