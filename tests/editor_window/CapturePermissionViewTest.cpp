#include "editor_window/CapturePermissionView.h"

#include "capture/CaptureControllerRig.h"
#include "editor_window/SymbolIcons.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(CapturePermissionView, BothStatesAndTheAllowButtonWhileBusy) {
    test::CaptureRig rig;
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    CapturePermissionView view(*rig.controller, icons);
    view.show();
    const QString explanation =
        QStringLiteral("Quorvane captures still images of a display or window. Basic capture "
                       "uses Screen Recording permission, without audio or Accessibility access.");
    auto shows = [&](const QString& text) {
        for (QLabel* label : view.findChildren<QLabel*>())
            if (label->text() == text && label->isVisible()) return true;
        return false;
    };

    EXPECT_EQ(view.stateLabel()->text(), QStringLiteral("Access granted"));
    EXPECT_EQ(view.stateSymbol(), QStringLiteral("checkmark.circle"));
    EXPECT_FALSE(view.allowButton()->isVisible());
    EXPECT_FALSE(view.hint()->isVisible());
    EXPECT_TRUE(shows(explanation));
    // Only the title is bold.
    for (QLabel* label : view.findChildren<QLabel*>())
        EXPECT_FALSE(label->font().bold() && !label->text().isEmpty()) << label->text().toStdString();
    for (QPushButton* button : view.findChildren<QPushButton*>())
        EXPECT_NE(button->text(), QStringLiteral("Open System Settings"))
            << "nothing to open on this desktop";

    rig.controller->setPermissionGranted(false);
    EXPECT_EQ(view.stateLabel()->text(), QStringLiteral("Access required to capture your screen"));
    EXPECT_EQ(view.stateSymbol(), QStringLiteral("lock"));
    EXPECT_TRUE(view.allowButton()->isVisible());
    EXPECT_TRUE(view.allowButton()->isEnabled());
    EXPECT_TRUE(view.hint()->isVisible());
    EXPECT_EQ(view.hint()->text(),
              QStringLiteral("Enable Quorvane for screen recording in your desktop settings. If the "
                             "desktop asks, quit and reopen Quorvane, then retry capture."));
    EXPECT_TRUE(shows(explanation));

    rig.service.holdImages = true;
    rig.controller->captureDisplay();
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return rig.controller->isBusy(); }));
    EXPECT_FALSE(view.allowButton()->isEnabled());
    rig.controller->cancel();
    ASSERT_TRUE(rig.settle());
    EXPECT_TRUE(view.allowButton()->isEnabled());
}

} // namespace
} // namespace quorvane
