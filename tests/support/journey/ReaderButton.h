#pragma once

#include <QString>

namespace quorvane::journey {

class Program;

// What PressButton.py said of a button or menu item of the program, found over AT-SPI as a screen
// reader finds it: its exit code (0 done, 1 no such action or a failed call) with what it printed,
// or -1 where the call never returned.
struct ReaderButtonCall {
    int exitCode = -1;
    QString output;
};

// Where the reader looks for a button or menu item: among those that show, or also in closed
// windows and menus (a reader that kept the object it met there).
enum class ReaderFinds { showing, kept };

// Does `what` ("press", "menu", "extents") to the button, or the menu item by its path ("File/Save
// Image"), that `pattern` finds, once the program is on the accessibility bus and it is found. The
// bound on one call is one that only a call held by the program (a menu run inside it) breaks.
ReaderButtonCall readerButton(const Program& program, const QString& pattern, const QString& what,
                              ReaderFinds finds = ReaderFinds::showing);

} // namespace quorvane::journey
