#include "app/DropZones.h"

#include "app/TextFieldPaste.h"
#include "canvas/AnnotationTextView.h"
#include "platform/InputHold.h"
#include "platform/SystemClipboard.h"
#include "platform/X11DropTarget.h"
#include "support/ClipboardOffer.h"
#include "support/CountingBeeper.h"
#include "support/DropFlood.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"

#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWindow>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;

// Drop zones whose input waits far longer than any test does: a hold that is never ended shows.
struct HeldZones {
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    InputHold input{std::chrono::minutes(10)};
    test::CountingBeeper bell;
    TextFieldPaste fields{clipboard, input, bell};
    X11DropTarget target{DropZones::kinds()};
    DropZones zones{target, fields, input};
};

// `window` with `line` alone in it, shown where no window manager moves it and with the keyboard in
// `line`; `id` is the window's, once it names the drop target's proxy.
void showWithKeyboard(QWidget& window, QLineEdit* line, std::uint32_t& id) {
    window.setWindowFlag(Qt::BypassWindowManagerHint);
    (new QVBoxLayout(&window))->addWidget(line);
    window.setGeometry(200, 200, 300, 100);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.windowHandle()->isExposed(); }));
    id = static_cast<std::uint32_t>(window.winId());
    ASSERT_TRUE(waitUntil([&] { return test::dropProxyOf(id) != 0; }));
    test::xdotool(QStringLiteral("windowfocus --sync %1").arg(id));
    line->setFocus();
    ASSERT_TRUE(waitUntil([&] { return line->hasFocus(); }));
}

// Text another program drags onto a field goes in where it fell, read off the window's thread; a
// field takes no list of files, and a window that hides takes no drop. The field's window names
// the target's proxy while it shows. Beside the fields, in the window's margin, nothing takes text.
TEST(DropZones, DroppedTextGoesIntoTheFieldWhereItFell) {
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    InputHold input;
    test::CountingBeeper bell;
    TextFieldPaste fields(clipboard, input, bell);
    X11DropTarget target(DropZones::kinds());
    DropZones zones(target, fields, input);
    QWidget window;
    window.setWindowFlag(Qt::BypassWindowManagerHint);
    auto* line = new QLineEdit(QStringLiteral("ab"), &window);
    auto* box = new AnnotationTextView(&window);
    auto* column = new QVBoxLayout(&window);
    column->addWidget(line);
    column->addWidget(box);
    window.setGeometry(200, 200, 300, 200);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.windowHandle()->isExposed(); }));
    const auto id = static_cast<std::uint32_t>(window.winId());
    ASSERT_TRUE(waitUntil([&] { return test::dropProxyOf(id) != 0; }));

    test::TempDir folder;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = QString::fromStdString((folder / name).string());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        return path;
    };
    const auto at = [](const QWidget* field, QPoint point) {
        const QPoint global = field->mapToGlobal(point);
        return QStringLiteral("%1,%2").arg(global.x()).arg(global.y());
    };
    const QString words = write("words", "words");
    // Past the end of its text, the line takes it at the end.
    {
        test::ClipboardOffer drag({"--type", "UTF8_STRING", "--file", words, "--drag-to",
                                   at(line, QPoint(line->width() - 4, line->height() / 2)), "--drop", "1"});
        ASSERT_TRUE(drag.says(QStringLiteral("status accept"))) << drag.output().toStdString();
        EXPECT_TRUE(drag.says(QStringLiteral("finished")));
        EXPECT_TRUE(waitUntil([&] { return line->text() == QStringLiteral("abwords"); }))
            << line->text().toStdString();
    }
    {
        test::ClipboardOffer drag({"--type", "UTF8_STRING", "--file", words, "--drag-to",
                                   at(box->viewport(), QPoint(10, 10)), "--drop", "1"});
        ASSERT_TRUE(drag.says(QStringLiteral("status accept"))) << drag.output().toStdString();
        EXPECT_TRUE(waitUntil([&] { return box->toPlainText() == QStringLiteral("words"); }));
    }
    {
        const QString links = write("links", "file:///tmp/picture.png\r\n");
        test::ClipboardOffer drag({"--type", "text/uri-list", "--file", links, "--drag-to",
                                   at(line, QPoint(4, line->height() / 2)), "--drop", "1"});
        EXPECT_TRUE(drag.says(QStringLiteral("status refuse"))) << drag.output().toStdString();
    }
    {
        test::ClipboardOffer drag({"--type", "UTF8_STRING", "--file", words, "--drag-to",
                                   at(&window, QPoint(2, 2)), "--drop", "1"});
        EXPECT_TRUE(drag.says(QStringLiteral("status refuse"))) << drag.output().toStdString();
        EXPECT_TRUE(drag.says(QStringLiteral("finished")));
    }
    window.hide();
    EXPECT_TRUE(waitUntil([&] { return test::dropProxyOf(id) == 0; }));
    EXPECT_EQ(line->text(), QStringLiteral("abwords"));
}

// A key pressed while another program's accepted drag is over the window waits only until the
// target has read what the drag sent before it, then goes on: the next key, the drag still there,
// waits the same way, never the whole wait of a drop.
TEST(DropZones, AKeyWhileADragIsOverTheWindowWaitsUntilTheTargetCaughtUp) {
    HeldZones zones;
    X11DropTarget& target = zones.target;
    int caughtUp = 0;
    QObject::connect(&target, &X11DropTarget::caughtUp, [&] { ++caughtUp; });
    QWidget window;
    auto* line = new QLineEdit(&window);
    std::uint32_t id = 0;
    ASSERT_NO_FATAL_FAILURE(showWithKeyboard(window, line, id));

    test::ForeignDrag drag(id);
    drag.enter({"UTF8_STRING"});
    const QPoint over = line->mapToGlobal(line->rect().center());
    drag.position(over.x(), over.y());
    ASSERT_EQ(drag.answers(1), std::vector<std::string>{"accept"});
    ASSERT_TRUE(waitUntil([&] { return !target.hovering().empty(); }));
    for (const QString& key : {QStringLiteral("x"), QStringLiteral("y")}) {
        ASSERT_EQ(test::xdotool(QStringLiteral("key ") + key), 0);
        ASSERT_TRUE(waitUntil([&] { return line->text().endsWith(key); })) << line->text().toStdString();
    }
    EXPECT_EQ(line->text(), QStringLiteral("xy"));
    // Each key asked the target, and went on once it answered.
    EXPECT_GE(caughtUp, 2);
}

// A key Qt routes after the target took a drop, before the window was told of it (that word comes
// on a later turn of the event loop), still waits for what was dropped: it lands after the text.
TEST(DropZones, AKeyRoutedBeforeTheWindowHeardOfADropWaitsForWhatWasDropped) {
    HeldZones zones;
    QWidget window;
    auto* line = new QLineEdit(QStringLiteral("ab"), &window);
    std::uint32_t id = 0;
    ASSERT_NO_FATAL_FAILURE(showWithKeyboard(window, line, id));

    test::TempDir folder;
    const QString words = QString::fromStdString((folder / "words").string());
    QFile out(words);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write("words") == 5);
    out.close();
    const QPoint end = line->mapToGlobal(QPoint(line->width() - 4, line->height() / 2));
    test::ClipboardOffer drag({"--type", "UTF8_STRING", "--file", words, "--drag-to",
                               QStringLiteral("%1,%2").arg(end.x()).arg(end.y()), "--drop", "1"});
    ASSERT_TRUE(drag.saysWhileEventsWait(QStringLiteral("finished"))) << drag.output().toStdString();
    test::keyRoutedNow(*window.windowHandle(), Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(line->text().toStdString(), "abwordsx");
}

} // namespace
} // namespace quorvane
