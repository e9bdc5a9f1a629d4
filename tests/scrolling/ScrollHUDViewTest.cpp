#include "scrolling/ScrollHUDPanel.h"
#include "scrolling/ScrollHUDPreviewBox.h"
#include "scrolling/ScrollHUDStatusLine.h"
#include "scrolling/ScrollHUDText.h"
#include "scrolling/ScrollHUDView.h"
#include "scrolling/ScrollOutlineView.h"
#include "scrolling/ScrollOutlineWindow.h"
#include "scrolling/ScrollingRig.h"
#include "support/QtPrinters.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct Panel {
    ScrollHUDModel model;
    ScrollHUDView view{model, [] { return true; }};

    bool visible(QWidget* w) const { return w->isVisibleTo(const_cast<ScrollHUDView*>(&view)); }
    bool orange() const {
        return view.statusLine()->palette().color(QPalette::WindowText) == ScrollHUDView::warningColor();
    }
};

TEST(ScrollHUDView, AStartingCaptureShowsNoFramesYetAndTheDirectionsArrow) {
    Panel p;
    EXPECT_EQ(p.view.statusLine()->status(), QStringLiteral("Starting…"));
    EXPECT_EQ(p.view.countsLabel()->text(), QStringLiteral("0 frames · 0 px"));
    EXPECT_FALSE(p.view.finishButton()->isEnabled());
    EXPECT_TRUE(p.view.cancelButton()->isEnabled());
    EXPECT_EQ(p.view.titleLabel()->text(), QStringLiteral("Scroll the area slowly"));
    EXPECT_TRUE(p.view.previewBox()->showsArrow());
    EXPECT_EQ(p.view.previewBox()->arrow(), AutoScrollDirection::down);
    p.model.setOrientation(AutoScrollDirection::up);
    EXPECT_EQ(p.view.previewBox()->arrow(), AutoScrollDirection::up);
    EXPECT_EQ(p.view.titleLabel()->text(), QStringLiteral("Scroll the area up slowly"));
    EXPECT_EQ(p.view.size(), QSize(440, 140));
    EXPECT_EQ(p.view.previewBox()->size(), QSize(70, 80));

    // One frame is "frame"; assistive technology always hears "frames".
    p.model.setFrames(1);
    p.model.setHeight(812);
    EXPECT_EQ(p.view.countsLabel()->text(), QStringLiteral("1 frame · 812 px"));
    EXPECT_EQ(p.view.countsLabel()->accessibleName(), QStringLiteral("1 frames, 812 pixels tall"));
    EXPECT_TRUE(p.view.finishButton()->isEnabled());
    QAccessibleInterface* preview = QAccessible::queryAccessibleInterface(p.view.previewBox());
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->text(QAccessible::Name), QStringLiteral("Stitched preview"));
    EXPECT_EQ(preview->text(QAccessible::Value), QStringLiteral("812 pixels tall"));
    // A preview of 160 × 200 pixels is drawn at two pixels a point, fitted into the box.
    QImage rows(160, 200, QImage::Format_RGBA8888_Premultiplied);
    rows.fill(Qt::red);
    p.model.setPreview(rows);
    EXPECT_FALSE(p.view.previewBox()->showsArrow());
    EXPECT_EQ(p.view.previewBox()->previewRect(), QRectF(3, 0, 64, 80));
    p.model.setFinishing(true);
    EXPECT_FALSE(p.view.finishButton()->isEnabled());
}

TEST(ScrollHUDView, TheStatusTurnsOrangeForStopsLowConfidenceAndTheLimit) {
    Panel p;
    const struct {
        QString status;
        bool attention;
        bool orange;
    } cases[] = {
        {QStringLiteral("Stitching"), false, false},
        {QStringLiteral("Low confidence: Scrolled too far between frames — scroll slower"), false, true},
        {QStringLiteral("Limit reached"), false, true},
        {QStringLiteral("Waiting for scroll…"), true, true},
    };
    for (const auto& c : cases) {
        p.model.setStatus(c.status);
        p.model.setAttention(c.attention);
        EXPECT_EQ(p.orange(), c.orange) << c.status.toStdString();
    }
    QAccessibleInterface* status = QAccessible::queryAccessibleInterface(p.view.statusLine());
    EXPECT_EQ(status->text(QAccessible::Name), QStringLiteral("Status"));
    EXPECT_EQ(status->text(QAccessible::Value), QStringLiteral("Waiting for scroll…"));
    // Two lines at most, cut at the end.
    const QString longText = QStringLiteral("word ").repeated(80);
    const QString shown = ScrollHUDStatusLine::elided(longText, p.view.statusLine()->font(), 200, 2);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…")));
    EXPECT_LT(shown.size(), longText.size());
    EXPECT_EQ(ScrollHUDStatusLine::elided(QStringLiteral("Stitching"), p.view.font(), 200, 2),
              QStringLiteral("Stitching"));
}

TEST(ScrollHUDView, AutomaticControlsFollowTheRunAccessAndDirection) {
    Panel p;
    p.view.show();
    EXPECT_TRUE(p.visible(p.view.autoDownButton()));
    EXPECT_TRUE(p.visible(p.view.speedPicker()));
    EXPECT_FALSE(p.visible(p.view.stopAutoButton()));
    EXPECT_FALSE(p.visible(p.view.allowAccessButton()));
    EXPECT_FALSE(p.view.autoDownButton()->isEnabled());
    EXPECT_EQ(p.view.autoUpButton()->toolTip(), QStringLiteral("Available before anything is stitched downward"));
    p.model.setCanAutoUp(true);
    EXPECT_EQ(p.view.autoUpButton()->toolTip(), QStringLiteral("Scroll up automatically (needs Accessibility)"));
    p.model.setCanAutoUp(false);
    p.model.setOrientation(AutoScrollDirection::up);
    EXPECT_EQ(p.view.autoUpButton()->toolTip(), QStringLiteral("Scroll up automatically (needs Accessibility)"));
    EXPECT_EQ(p.view.autoDownButton()->accessibleName(), QStringLiteral("Scroll down automatically"));

    // A run under way: Stop Auto alone among the automatic controls; Finish and Cancel stay.
    p.model.setAutoDirection(AutoScrollDirection::down);
    EXPECT_TRUE(p.visible(p.view.stopAutoButton()));
    for (QWidget* hidden : {static_cast<QWidget*>(p.view.autoDownButton()),
                            static_cast<QWidget*>(p.view.autoUpButton()),
                            static_cast<QWidget*>(p.view.speedPicker())})
        EXPECT_FALSE(p.visible(hidden));
    EXPECT_TRUE(p.visible(p.view.finishButton()));
    EXPECT_TRUE(p.visible(p.view.cancelButton()));
    EXPECT_EQ(p.view.titleLabel()->text(), QStringLiteral("Scrolling down automatically"));
    p.model.setAutoDirection(std::nullopt);

    p.model.setNeedsAccess(true);
    EXPECT_TRUE(p.visible(p.view.allowAccessButton()));
    EXPECT_FALSE(p.visible(p.view.speedPicker()));
    EXPECT_EQ(p.view.allowAccessButton()->accessibleName(), QStringLiteral("Allow Accessibility"));
    int requests = 0;
    QObject::connect(&p.model, &ScrollHUDModel::accessRequested, [&] { ++requests; });
    p.view.allowAccessButton()->click();
    EXPECT_EQ(requests, 1);
}

TEST(ScrollHUDView, APickedSpeedShowsOnlyOnceTheControllerStoresIt) {
    Panel p;
    std::vector<AutoScrollSpeed> picked;
    QObject::connect(&p.model, &ScrollHUDModel::speedPicked, [&](AutoScrollSpeed s) { picked.push_back(s); });
    QComboBox& picker = *p.view.speedPicker();
    EXPECT_EQ(picker.currentText(), QStringLiteral("Normal"));
    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(&picker);
    EXPECT_EQ(heard->text(QAccessible::Name) + " | " + heard->text(QAccessible::Description),
              QStringLiteral("Automatic scrolling speed | Normal"));
    Q_EMIT picker.activated(2);
    EXPECT_EQ(picked, std::vector{AutoScrollSpeed::fast});
    EXPECT_EQ(picker.currentText(), QStringLiteral("Normal")) << "nobody stored it";

    // The controller stores it and tells the shell.
    test::ScrollingRig rig;
    std::vector<AutoScrollSpeed> stored;
    QObject::connect(&rig.controller, &ScrollingCaptureController::autoSpeedChanged,
                     [&](AutoScrollSpeed s) { stored.push_back(s); });
    rig.begin();
    QComboBox& live = *rig.controller.windows().panel()->view().speedPicker();
    Q_EMIT live.activated(0);
    EXPECT_EQ(live.currentText(), QStringLiteral("Slow"));
    EXPECT_EQ(rig.controller.autoSpeed(), AutoScrollSpeed::slow);
    Q_EMIT live.activated(0);
    EXPECT_EQ(stored, std::vector{AutoScrollSpeed::slow}) << "the same speed again is no change";
}

TEST(ScrollHUDView, ADragDrivenCaptureShowsTheSmallPanelWithoutControls) {
    test::ScrollingRig rig;
    rig.controller.showsDragHint = true;
    rig.begin(DragScrollEdge::bottom);
    ScrollHUDPanel* panel = rig.controller.windows().panel();
    ASSERT_NE(panel, nullptr);
    const ScrollHUDView& view = panel->view();
    EXPECT_EQ(panel->size(), QSize(320, 92));
    EXPECT_EQ(view.previewBox()->size(), QSize(52, 68));
    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("Scrolling Capture"));
    EXPECT_FALSE(view.finishButton()->isVisibleTo(panel));
    EXPECT_FALSE(view.hintLabel()->isVisibleTo(panel)) << "no tip for a capture already driven by a drag";
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Scrolling Capture"));
    ASSERT_TRUE(test::waitUntil([&] { return rig.controller.autoDirection().has_value(); }));
    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("Scrolling down"));
    rig.controller.cancel();

    // By hand with the tip: the taller panel, which takes clicks.
    rig.begin();
    panel = rig.controller.windows().panel();
    EXPECT_EQ(panel->size(), QSize(440, 158));
    EXPECT_TRUE(panel->view().hintLabel()->isVisibleTo(panel));
    EXPECT_FALSE(panel->windowFlags().testFlag(Qt::WindowTransparentForInput));
}

TEST(ScrollOutline, A400By300RegionHasA404By304OutlineOfTwoLinesOutsideIt) {
    ScrollOutlineWindow outline(QRectF(100, 50, 400, 300));
    EXPECT_EQ(outline.frame(), QRect(98, 48, 404, 304));
    const auto strips = ScrollOutlineWindow::strips(outline.frame());
    QRegion covered;
    for (const QRect& strip : strips) {
        EXPECT_FALSE(strip.intersects(QRect(100, 50, 400, 300))) << "no strip lies on the region";
        covered += strip;
    }
    EXPECT_EQ(covered, QRegion(outline.frame()) - QRegion(QRect(100, 50, 400, 300)));
    EXPECT_EQ(outline.views()[0]->windowTitle(), QStringLiteral("Scrolling Capture Area"));
    EXPECT_TRUE(outline.views()[0]->windowFlags().testFlag(Qt::WindowTransparentForInput));
    // Dark outside, white inside, nothing on the region.
    QImage band(404, 304, QImage::Format_RGBA8888_Premultiplied);
    band.fill(Qt::transparent);
    {
        QPainter painter(&band);
        ScrollOutlineView::paintBand(painter, QRectF(0, 0, 404, 304));
    }
    EXPECT_EQ(band.pixelColor(0, 150), QColor(0, 0, 0, 179));
    EXPECT_EQ(band.pixelColor(1, 150), QColor(Qt::white));
    EXPECT_EQ(band.pixelColor(200, 303), QColor(0, 0, 0, 179));
    EXPECT_EQ(band.pixelColor(200, 302), QColor(Qt::white));
    EXPECT_EQ(band.pixelColor(2, 2).alpha(), 0);
    EXPECT_EQ(band.pixelColor(401, 301).alpha(), 0);
}

} // namespace
} // namespace quorvane
