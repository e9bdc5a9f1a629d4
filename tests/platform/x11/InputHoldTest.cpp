#include "platform/InputHold.h"

#include "support/DisplayState.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QWindow>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;
using test::xdotool;

// A shown window with a line, a number and a button, noting in order what reaches them.
struct Panel : QWidget {
    QLineEdit* line = new QLineEdit(this);
    QSpinBox* number = new QSpinBox(this);
    QPushButton* button = new QPushButton(QStringLiteral("Press"), this);
    QStringList happened;

    explicit Panel(int left, Qt::WindowFlags flags = {}) {
        setWindowFlags(windowFlags() | flags);
        auto* row = new QHBoxLayout(this);
        row->addWidget(line);
        row->addWidget(number);
        row->addWidget(button);
        connect(line, &QLineEdit::textEdited, [this](const QString& text) { happened << text; });
        connect(number, &QSpinBox::valueChanged, [this](int value) { happened << QString::number(value); });
        connect(button, &QPushButton::clicked, [this] { happened << QStringLiteral("clicked"); });
        connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+S")), this), &QShortcut::activated,
                [this] { happened << QStringLiteral("saved ") + line->text(); });
        connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated,
                [this] { happened << QStringLiteral("escaped"); });
        setGeometry(left, 100, 360, 60);
        show();
    }
    // A click of the button, or a turn of the wheel over the number.
    void click(int mouseButton = 1) {
        QWidget* on = mouseButton == 1 ? static_cast<QWidget*>(button) : number;
        const QPoint at = on->mapToGlobal(on->rect().center());
        xdotool(QStringLiteral("mousemove %1 %2 click %3").arg(at.x()).arg(at.y()).arg(mouseButton));
    }
};

TEST(InputHold, HeldInputGoesOnInOrderThroughQtsWholePathAndOtherWindowsAreNotHeld) {
    const test::InputKept pointer;
    // Clicked, the other window takes no keyboard from the held one.
    Panel held(20), free(440, Qt::WindowDoesNotAcceptFocus);
    held.activateWindow();
    held.line->setFocus();
    ASSERT_TRUE(waitUntil([&] { return held.isActiveWindow() && held.line->hasFocus(); }));
    InputHold hold;
    int givenUp = 0;
    InputHold::Token token = hold.hold(held.windowHandle(), [&givenUp] { ++givenUp; });
    xdotool(QStringLiteral("type ab"));
    held.click(4);
    held.click();
    xdotool(QStringLiteral("key ctrl+s"));
    // The other window is not held: once its click came, so had the input before it.
    free.click();
    ASSERT_TRUE(waitUntil([&] { return free.happened == QStringList{"clicked"}; }));
    EXPECT_TRUE(held.happened.isEmpty()) << held.happened.join(", ").toStdString();
    token.release();
    EXPECT_EQ(held.happened, (QStringList{"a", "ab", "1", "clicked", "saved ab"}));
    EXPECT_EQ(givenUp, 0);
    EXPECT_FALSE(hold.holds(held.windowHandle()));

    // Past its bound, or on Escape (which goes no further), a hold is given up and the keys go on.
    for (const auto& [bound, keys] : {std::pair{0ms, "type c"}, {1h, "key Escape type c"}}) {
        SCOPED_TRACE(keys);
        InputHold bounded(bound);
        held.happened.clear();
        held.line->clear();
        held.line->setFocus();
        givenUp = 0;
        InputHold::Token kept = bounded.hold(held.windowHandle(), [&givenUp] { ++givenUp; });
        xdotool(QString::fromLatin1(keys));
        ASSERT_TRUE(waitUntil([&] { return !held.happened.isEmpty(); }));
        EXPECT_EQ(held.happened, QStringList{"c"});
        EXPECT_EQ(givenUp, 1);
        EXPECT_FALSE(bounded.holds(held.windowHandle()));
    }

    // The input going on may hold the window again, into the very token released: that token
    // ends the new hold too.
    InputHold again(1h);
    held.happened.clear();
    held.line->clear();
    held.line->setFocus();
    InputHold::Token reheld = again.hold(held.windowHandle(), {});
    const QMetaObject::Connection holdsAgain = QObject::connect(held.line, &QLineEdit::textEdited, [&] {
        if (!again.holds(held.windowHandle())) reheld = again.hold(held.windowHandle(), {});
    });
    for (const char* key : {"d", "e"}) {
        xdotool(QStringLiteral("type ") + QLatin1String(key));
        free.happened.clear();
        free.click();
        ASSERT_TRUE(waitUntil([&] { return free.happened == QStringList{"clicked"}; }));
        reheld.release();
    }
    QObject::disconnect(holdsAgain);
    EXPECT_TRUE(waitUntil([&] { return held.happened == QStringList{"d", "de"}; }))
        << held.happened.join(", ").toStdString();
    reheld.release();
}

} // namespace
} // namespace quorvane
