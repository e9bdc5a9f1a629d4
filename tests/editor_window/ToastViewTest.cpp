#include "editor_window/ToastView.h"

#include "ChromeTesting.h"
#include "core/AccessibilityOptions.h"
#include "support/QtPrinters.h"
#include "support/WaitUntil.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Holds the toast's hide timers so the test decides when each one fires.
class ToastViewTest : public ::testing::Test {
protected:
    AccessibilityOptions accessibility;
    test::Pane pane;
    QWidget window;
    ToastView* toast = nullptr;
    std::vector<std::function<void()>> timers;

    void SetUp() override {
        accessibility.setReduceMotion(true);
        window.resize(600, 200);
        toast = makeToast();
        window.show();
    }
    ToastView* makeToast() {
        auto* made = new ToastView(accessibility, pane.icons, &window);
        made->setScheduler([this](std::chrono::milliseconds delay, std::function<void()> hide) {
            EXPECT_EQ(delay, ToastView::hideDelay);
            timers.push_back(std::move(hide));
        });
        return made;
    }
    void fire(std::size_t index) { timers.at(index)(); }
};

TEST_F(ToastViewTest, OnlyTheLatestShowsTimerHidesAndEmptyHidesAtOnce) {
    EXPECT_FALSE(toast->capsuleVisible());
    toast->setMessage(QStringLiteral("First"));
    toast->setMessage(QStringLiteral("First")); // the same message again is no change
    toast->setMessage(QStringLiteral("Second"));
    ASSERT_EQ(timers.size(), 2U);
    fire(0); // the first message's 2.5 s are over, the second's are not
    EXPECT_TRUE(toast->capsuleVisible());
    EXPECT_EQ(toast->shownText(), QStringLiteral("Second"));
    fire(1);
    EXPECT_FALSE(toast->capsuleVisible());

    toast->setMessage(QStringLiteral("Saved"));
    toast->setMessage(QString());
    EXPECT_FALSE(toast->capsuleVisible());
    EXPECT_EQ(timers.size(), 3U);
    // The earlier timer finds a newer show and does nothing.
    toast->setMessage(QStringLiteral("Again"));
    fire(2);
    EXPECT_TRUE(toast->capsuleVisible());
}

TEST_F(ToastViewTest, PersistentNeverHidesUntilUnset) {
    toast->setPersistent(true);
    toast->setMessage(QStringLiteral("Capturing in 3"));
    EXPECT_TRUE(toast->capsuleVisible());
    EXPECT_TRUE(timers.empty());
    toast->setMessage(QStringLiteral("Capturing in 2"));
    EXPECT_TRUE(timers.empty());
    toast->setPersistent(false);
    ASSERT_EQ(timers.size(), 1U);
    EXPECT_TRUE(toast->capsuleVisible());
    fire(0);
    EXPECT_FALSE(toast->capsuleVisible());
}

TEST_F(ToastViewTest, ShowOnAppearDecidesWhetherAnEarlyMessageShows) {
    for (const bool onAppear : {true, false}) {
        ToastView* early = makeToast();
        early->setShowOnAppear(onAppear);
        early->setMessage(QStringLiteral("Ready"));
        early->show();
        EXPECT_EQ(early->capsuleVisible(), onAppear);
        if (!onAppear) {
            early->setPersistent(true);
            EXPECT_TRUE(early->capsuleVisible());
        }
    }
}

TEST_F(ToastViewTest, ReduceMotionSkipsAnimationAndMotionAnimates) {
    toast->setMessage(QStringLiteral("Copied"));
    EXPECT_FALSE(toast->animating());
    toast->setMessage(QString());
    accessibility.setReduceMotion(false);
    toast->setMessage(QStringLiteral("Copied"));
    EXPECT_TRUE(toast->animating());
    // Turning Reduce Motion on ends a running animation at once.
    accessibility.setReduceMotion(true);
    EXPECT_FALSE(toast->animating());
    EXPECT_TRUE(toast->capsuleVisible());
    // With motion, the capsule fades out and is gone once the fade ends.
    accessibility.setReduceMotion(false);
    toast->setMessage(QString());
    EXPECT_TRUE(toast->animating());
    ASSERT_TRUE(test::waitUntil([&] { return !toast->animating(); }));
    for (const QLabel* label : toast->findChildren<QLabel*>())
        EXPECT_FALSE(label->isVisible());
}

// Read as one element: the message as its name, the accessory's buttons as its actions, and
// nothing while the capsule is down.
TEST_F(ToastViewTest, ReadAsOneElementWithItsButtonsAsActions) {
    int dismissed = 0;
    auto* dismiss = new QPushButton(QStringLiteral("Dismiss"));
    QObject::connect(dismiss, &QPushButton::clicked, [&] { ++dismissed; });
    toast->setAccessory(dismiss);
    toast->setSystemImage(QStringLiteral("info.circle"));
    toast->setMessage(QStringLiteral("Capture unavailable."));
    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(toast);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->text(QAccessible::Name), "Capture unavailable.");
    EXPECT_EQ(element->childCount(), 0);
    EXPECT_FALSE(element->state().invisible);
    ASSERT_NE(element->actionInterface(), nullptr);
    EXPECT_EQ(element->actionInterface()->actionNames(), QStringList{"Dismiss"});
    element->actionInterface()->doAction(QStringLiteral("Dismiss"));
    EXPECT_EQ(dismissed, 1);
    fire(0);
    EXPECT_TRUE(element->state().invisible);
}

TEST_F(ToastViewTest, LongMessagesAreCutToTwoLinesBesideTheAccessory) {
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    toast->setAccessory(cancel);
    QString longText;
    for (int word = 0; word < 20000; ++word)
        longText += QStringLiteral("word ");
    toast->setMessage(longText); // 100,000 characters
    const QStringList lines = toast->shownText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QChar(0x2026)));
    EXPECT_LE(toast->sizeHint().width(), ToastView::maximumTextWidth + 200);
    // The accessory stays on the row, right of the text.
    QApplication::processEvents();
    const QLabel* text = nullptr;
    for (const QLabel* label : toast->findChildren<QLabel*>())
        if (!label->text().isEmpty()) text = label;
    ASSERT_NE(text, nullptr);
    EXPECT_GT(cancel->mapTo(toast, QPoint()).x(), text->mapTo(toast, QPoint()).x() + text->width() - 1);

    // Two lines of text and short texts are left whole.
    const QFont font;
    EXPECT_EQ(ToastView::twoLines(QStringLiteral("One\nTwo"), font, 300), QStringLiteral("One\nTwo"));
    EXPECT_EQ(ToastView::twoLines(QStringLiteral("One\nTwo\nThree"), font, 300).split('\n').size(), 2);
    EXPECT_EQ(ToastView::twoLines(QString(), font, 300), QString());
}

} // namespace
} // namespace quorvane
