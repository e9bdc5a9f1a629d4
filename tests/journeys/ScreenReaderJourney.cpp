// A screen reader user's walk through the program, over AT-SPI as Orca reads it (another process
// on the session's accessibility bus): the home view, the editor with its backdrop and resize
// sheets, Settings, Recognized Text, a pin and the floating thumbnail. Every slider offers its
// number, no description repeats its control's name, the floating panels and Recognized Text are
// windows, and nothing a user meets is unnamed.

#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"
#include "support/journey/SessionBus.h"

#include <QProcess>

namespace quorvane::journey {
namespace {

// What the walk read: "<role> <title>" of each window, and one line for each fault.
struct ScreenReaderView {
    QStringList windows;
    QStringList faults;
};

class ScreenReader : public JourneyTest {
protected:
    // The program's whole tree as the screen reader finds it now, once the program is on the
    // accessibility bus.
    static ScreenReaderView walk(const Program& quorvane) {
        ScreenReaderView view;
        QString failure;
        const bool read = test::waitUntil(
            [&] {
                QProcess walker;
                walker.setProcessEnvironment(quorvane.environment());
                walker.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUORVANE_SCREEN_READER_WALK),
                                                                  QString::number(quorvane.processId())});
                if (!walker.waitForFinished(test::bound(60000)) ||
                    walker.exitStatus() != QProcess::NormalExit || walker.exitCode() != 0) {
                    failure = QString::fromUtf8(walker.readAllStandardError());
                    return false;
                }
                for (const QString& line :
                     QString::fromUtf8(walker.readAllStandardOutput()).split(QLatin1Char('\n'))) {
                    const QStringList fields = line.split(QLatin1Char('\t'));
                    if (fields.size() == 3 && fields[0] == QLatin1String("window"))
                        view.windows << fields[1] + QLatin1Char(' ') + fields[2];
                    else if (fields.size() == 3)
                        view.faults << fields[1] + QStringLiteral(": ") + fields[2];
                }
                return true;
            },
            30000);
        EXPECT_TRUE(read) << "the screen reader did not find the program: " << failure.toStdString();
        return view;
    }
};

TEST_F(ScreenReader, MeetsNamedControlsSlidersWithValuesAndTheFloatingPanelsAsWindows) {
    Program quorvane({{"postCaptureAction", "showThumbnail"}});
    SessionBus bus(quorvane, SessionBus::Accessibility::on);
    ASSERT_TRUE(bus.running());
    ASSERT_TRUE(quorvane.start());

    // The home view.
    editor();
    EXPECT_EQ(walk(quorvane).faults.join(QLatin1Char('\n')).toStdString(), "") << "the home view";

    // The editor and its sheets, one at a time.
    QImage picture(640, 400, QImage::Format_RGB32);
    picture.fill(QColor(90, 140, 220));
    openImage(quorvane, placePicture(quorvane, picture, "picture.png"), picture.size());
    for (const auto& [keys, title] : {std::pair{"ctrl+alt+b", "Backdrop"}, {"ctrl+alt+i", "Resize Image"}}) {
        activate(editor());
        press(QString::fromLatin1(keys));
        const QString pattern = QStringLiteral("^%1$").arg(QString::fromLatin1(title));
        ASSERT_TRUE(waitForWindow(pattern).has_value()) << title;
        EXPECT_EQ(walk(quorvane).faults.join(QLatin1Char('\n')).toStdString(), "") << title;
        press(QStringLiteral("Escape"));
        ASSERT_TRUE(waitForNoWindow(pattern)) << title;
    }

    // Recognized Text, a pin, Settings and, over them, the thumbnail of a new capture, held by the
    // pointer resting on it.
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Window"), QStringLiteral("Recognized Text")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Recognized Text$")).has_value());
    activate(editor());
    press(QStringLiteral("ctrl+shift+p"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Pinned Screenshot$")).has_value());
    activate(editor());
    press(QStringLiteral("ctrl+comma"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Quorvane Settings$")).has_value());
    press(QStringLiteral("ctrl+alt+super+3"));
    const auto thumbnail = waitForWindow(QStringLiteral("^Screenshot Preview$"), 20000, 500);
    ASSERT_TRUE(thumbnail.has_value());
    moveMouse(thumbnail->geometry.topLeft() - QPoint(40, 40));
    const QImage away = steadyGrab(thumbnail->geometry);
    moveMouse(thumbnail->geometry.center());
    ASSERT_TRUE(test::waitUntil([&] { return grab(thumbnail->geometry) != away; }, 5000))
        << "the thumbnail's buttons did not come up";

    const ScreenReaderView all = walk(quorvane);
    EXPECT_EQ(all.faults.join(QLatin1Char('\n')).toStdString(), "");
    for (const char* title : {"Pinned Screenshot", "Screenshot Preview", "Recognized Text"})
        EXPECT_TRUE(all.windows.contains(QStringLiteral("frame ") + QString::fromLatin1(title)))
            << title << " in: " << all.windows.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(all.windows.contains(QStringLiteral("frame Quorvane Settings")));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
