// Links against the shell's real controllers on a fake screen.

#include "app/DocumentCommands.h"
#include "app/ShellLinkTarget.h"
#include "app/URLCommandHandler.h"
#include "ShellTesting.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

struct LinkRig : test::ShellRig {
    DocumentCommands documents{controller(),
                               *exporter,
                               *quit,
                               exports.clipboard,
                               exports.beeper,
                               input,
                               test::windowlessDocuments()};
    ShellLinkTarget target{controller(), *commands, *quit, question, documents};
    test::CountingBeeper bell;
    URLCommandHandler handler{bell};
    URLCommandHandler::Clock::time_point now{};

    LinkRig() {
        QObject::connect(&target, &ShellLinkTarget::editorRequested, [this] { ++editorShown; });
        handler.linkClock = [this] { return now; };
        handler.launchFinished(target);
        QCoreApplication::processEvents();
    }
    void link(const QByteArray& text) {
        now += 2s;
        handler.open({text});
    }
};

// Nothing to repeat, work that would be lost, a quit being decided: refused with a beep; showing
// the editor is never refused for unexported work.
TEST(ShellLinkTarget, RefusesWhatTheApplicationCannotDoNow) {
    LinkRig rig;
    rig.link("quorvane://capture/repeat");
    EXPECT_TRUE(rig.logged("URL command rejected: unavailable"));

    // The current and the previous document both hold edits.
    test::ShellRig::edit(*rig.open());
    test::ShellRig::edit(*rig.open());
    ASSERT_TRUE(rig.quit->wouldDiscardUnexportedChanges());
    const int shown = rig.editorShown;
    rig.link("quorvane://capture/area");
    EXPECT_TRUE(rig.logged("URL command rejected: unexportedChanges"));
    EXPECT_FALSE(rig.controller().isBusy());
    EXPECT_FALSE(rig.commands->oneShotFromLink);
    rig.link("quorvane://show");
    EXPECT_TRUE(rig.logged("URL command: show"));
    EXPECT_EQ(rig.editorShown, shown + 1);

    // While the discard question is open nothing else starts.
    rig.quit->mayDiscardChanges({rig.controller().document()}, QStringLiteral("Quitting Quorvane"), [](bool) {});
    ASSERT_TRUE(rig.question.isOpen());
    rig.link("quorvane://show");
    EXPECT_EQ(rig.log.count("URL command rejected: busy"), 1);
    EXPECT_EQ(rig.bell.beeps, 3);
}

} // namespace
} // namespace quorvane
