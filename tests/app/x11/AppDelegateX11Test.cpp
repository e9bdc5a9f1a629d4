// The delegate on the real services of a private X server: start-up in order, and the rules it
// wires between the controllers.

#include "app/AppDelegate.h"
#include "app/EditorWindow.h"
#include "app/ServiceFactory.h"
#include "app/Services.h"
#include "app/ShellTesting.h"
#include "app/WindowCoordinator.h"
#include "panels/ThumbnailController.h"

#include <QMenuBar>

namespace quorvane {
namespace {

TEST(AppDelegateX11, StartsUpInOrderAndALinksChoicesLastOneCapture) {
    const std::unique_ptr<Services> services = ServiceFactory::make();
    test::LogLines log{"app"};
    services->preferences().setPostCaptureAction(PostCaptureAction::showThumbnail);
    {
        AppDelegate delegate(*services);
        delegate.start();
        EXPECT_TRUE(delegate.isStarted());
        EXPECT_GT(log.count("Launched"), 0);
        // The stored hot keys are registered at start.
        EXPECT_TRUE(services->preferences().hotKeyErrors().empty());
        ASSERT_NE(delegate.windows().editorWindow(), nullptr);
        EXPECT_TRUE(delegate.windows().editorWindow()->isVisible());
        EXPECT_NE(delegate.windows().editorWindow()->menuBar()->actions().size(), 0);

        // A link asked to edit the next capture, while a thumbnail shows.
        delegate.thumbnails().show(test::gradientImage(64, 48), nullptr);
        delegate.captureCommands().oneShotThen = URLCommand::Then::edit;
        delegate.captureCommands().oneShotFromLink = true;
        delegate.captureCommands().captureScreen();
        EXPECT_TRUE(delegate.captureController().isBusy());
        EXPECT_FALSE(delegate.thumbnails().isShown());
        ASSERT_TRUE(test::waitUntil([&] { return !delegate.captureController().isBusy(); }, 20000));
        ASSERT_NE(delegate.captureController().document(), nullptr);
        EXPECT_EQ(log.count("Post-capture action: openEditor (one-shot)"), 1);
        EXPECT_FALSE(delegate.captureCommands().oneShotThen);
        EXPECT_FALSE(delegate.captureCommands().oneShotFromLink);

        // The next capture uses the user's own action again.
        delegate.captureCommands().captureScreen();
        ASSERT_TRUE(test::waitUntil([&] { return !delegate.captureController().isBusy(); }, 20000));
        EXPECT_TRUE(delegate.thumbnails().isShown());

        // A text-recognition area capture shows the Recognized Text window with its run.
        QImage text(40, 20, QImage::Format_RGBA8888_Premultiplied);
        text.fill(Qt::white);
        Q_EMIT delegate.captureController().ocrImageCaptured(text);
        ASSERT_NE(delegate.windows().recognizedTextWindow(), nullptr);
        EXPECT_TRUE(delegate.windows().recognizedTextWindow()->isVisible());
        delegate.aboutToQuit();
    }
}

} // namespace
} // namespace quorvane
