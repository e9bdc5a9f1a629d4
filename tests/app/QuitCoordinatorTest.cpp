#include "ShellTesting.h"
#include "support/LaterTurn.h"

namespace quorvane {
namespace {

using test::ShellRig;

TEST(QuitCoordinator, TwoEditedDocumentsAskOnceAndCancelKeepsRunning) {
    ShellRig rig;
    ShellRig::edit(*rig.open());
    ShellRig::edit(*rig.open(32, 32));
    rig.quit->requestQuit();
    // Text being typed was committed before the documents were judged.
    EXPECT_EQ(rig.commits, 1);
    ASSERT_TRUE(rig.question.isOpen());
    EXPECT_EQ(rig.question.box()->text(), QStringLiteral("Discard unexported changes?"));
    EXPECT_EQ(rig.question.box()->informativeText(),
              QStringLiteral("Quitting Quorvane discards edits that were not copied or saved."));
    EXPECT_EQ(rig.question.box()->defaultButton()->text(), QStringLiteral("Cancel"));
    // A second request while it is open asks nothing more.
    QMessageBox* first = rig.question.box();
    rig.quit->requestQuit();
    EXPECT_EQ(rig.question.box(), first);

    ASSERT_TRUE(rig.answer(QStringLiteral("Cancel")));
    EXPECT_FALSE(rig.quit->isDeciding());
    // Nothing quits later unasked: not on the turns after the answer either.
    ASSERT_TRUE(test::laterTurn());
    EXPECT_EQ(rig.quits, 0);

    rig.quit->requestQuit();
    ASSERT_TRUE(rig.answer(QStringLiteral("Discard")));
    ASSERT_TRUE(test::waitUntil([&] { return rig.quits == 1; }));
}

// Once the save is done nothing is lost: it quits without asking.
TEST(QuitCoordinator, WaitsForABackgroundSaveThatThenLeavesNothingToAsk) {
    ShellRig rig;
    ShellRig::edit(*rig.open());
    test::RenderLatch latch;
    rig.exporter->backgroundPixels = 1;
    rig.exporter->renderer = latch.renderer();
    ASSERT_TRUE(rig.exporter->saveToFolder(ExportController::AfterSave::keepEditor,
                                           ExportController::Encoding::mayUseWorker));
    ASSERT_EQ(rig.exporter->pendingExports(), 1);
    rig.quit->requestQuit();
    EXPECT_TRUE(rig.quit->isDeciding());
    EXPECT_EQ(rig.quits, 0);
    latch.open();
    ASSERT_TRUE(test::waitUntil([&] { return rig.quits == 1; }, 20000));
    EXPECT_FALSE(rig.question.isOpen());
    EXPECT_EQ(rig.exports.savedFiles(rig.exports.folder / "Shots").size(), 1u);
}

TEST(QuitCoordinator, ASignalDuringTheQuestionQuitsWithoutAskingAndSaysWhatWasDiscarded) {
    ShellRig rig;
    ShellRig::edit(*rig.open());
    rig.quit->terminateBySignal();
    EXPECT_EQ(rig.commits, 1);
    ASSERT_TRUE(rig.question.isOpen());
    rig.quit->terminateBySignal();
    EXPECT_FALSE(rig.question.isOpen());
    EXPECT_EQ(rig.quits, 1);
    EXPECT_TRUE(rig.logged("Quit by signal: unexported changes were discarded"));

    ShellRig headless;
    ShellRig::edit(*headless.open());
    headless.quit->canAsk = [] { return false; };
    headless.quit->terminateBySignal();
    EXPECT_FALSE(headless.question.isOpen());
    EXPECT_EQ(headless.quits, 1);
}

TEST(QuitCoordinator, ReplacingADocumentAsksOnlyForUnexportedChanges) {
    ShellRig rig;
    EditorDocument* document = rig.open();
    std::optional<bool> answer;
    rig.quit->mayDiscardChanges({document}, QStringLiteral("Reopening the last export"),
                                [&](bool discard) { answer = discard; });
    EXPECT_EQ(answer, true);
    ShellRig::edit(*document);
    answer.reset();
    rig.quit->mayDiscardChanges({nullptr, document}, QStringLiteral("Reopening the last export"),
                                [&](bool discard) { answer = discard; });
    ASSERT_TRUE(rig.question.isOpen());
    EXPECT_EQ(rig.question.box()->informativeText(),
              QStringLiteral("Reopening the last export discards edits that were not copied or saved."));
    ASSERT_TRUE(rig.answer(QStringLiteral("Cancel")));
    EXPECT_EQ(answer, false);
    EXPECT_FALSE(rig.quit->wouldDiscardUnexportedChanges());
}

} // namespace
} // namespace quorvane
