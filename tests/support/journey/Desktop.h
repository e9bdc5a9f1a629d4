#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QProcess;

namespace quorvane::journey {

// The journey's desktop on its private X server: openbox, a tray (trayer, an XEmbed tray as
// desktop panels have) and still windows of other programs. Everything it started ends with it.
class Desktop {
public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // openbox, then the tray unless `withTray` is false; false when either did not come up.
    bool start(bool withTray = true);
    // A window of another program showing `text`, still (no clock, no cursor blink) so that
    // captures of it compare exactly. Returns once it is mapped and placed.
    bool showStillWindow(const QString& text, const QRect& geometry, const QString& background = {});
    // A terminal of another program showing `lines` large (DejaVu Sans Mono of `points`), with
    // no cursor: text to read off the screen. Its height is what the lines take.
    bool showTextWindow(const QStringList& lines, const QRect& geometry, int points = 28);

private:
    QString nextWindowName() const;
    bool showWindow(const QString& program, const QStringList& arguments, const QString& name);

    std::vector<std::unique_ptr<QProcess>> processes_;
};

struct Window {
    QString id;
    // The client area in screen coordinates (without the window manager's frame).
    QRect geometry;
};

// Windows the window manager manages and shows whose title matches `titlePattern` (a regular
// expression), the largest first.
std::vector<Window> windows(const QString& titlePattern);
std::optional<Window> window(const QString& titlePattern);
// Waits for a matching window; its geometry once it stopped moving (for `steadyMs`).
std::optional<Window> waitForWindow(const QString& titlePattern, int timeoutMs = 20000, int steadyMs = 100);
bool waitForNoWindow(const QString& titlePattern, int timeoutMs = 20000);
std::optional<QRect> geometry(const QString& id);
// The window with the window manager's frame around it.
std::optional<QRect> frameGeometry(const QString& id);
// The part of the screen that panels (the tray) leave to windows.
QRect workArea();
// The title of the window that has the keyboard.
QString activeWindowTitle();
// Raises the window and waits until it has the keyboard (a window manager may refuse it).
void activate(const Window& window);
// The window manager's windows from the bottom of the stack to the top.
QStringList stacking();

// What a person does with keyboard and mouse, through XTest.
void press(const QString& keys);
void type(const QString& text);
void moveMouse(QPoint to);
void click(QPoint at, int button = 1);
void doubleClick(QPoint at);
void drag(QPoint from, QPoint to, int steps = 12);
// Lets the program and the window manager handle what was sent.
void settle(int ms = 300);

// The screen as it is now (a part of it when `region` is given).
QImage grab(const QRect& region = {});
// The screen once what shows there has been painted and holds still: two grabs a moment apart
// agree (a menu, a window or a toast that has just appeared draws itself on the program's next
// turns). Within the bound it returns the latest grab anyway: the caller's check then tells.
QImage steadyGrab(const QRect& region = {}, int timeoutMs = 3000);

// The clipboard, as another program sees it.
QStringList clipboardTargets();
QImage clipboardImage();
QString clipboardText();
// Another program takes the clipboard with these bytes.
bool putOnClipboard(const QByteArray& bytes, const QString& type);
// Another program copies a picture (as image/png).
bool putOnClipboard(const QImage& image);

} // namespace quorvane::journey
