#pragma once

class QWindow;

namespace quorvane {

// Whether the program holds the pointer for `window`. Qt's grab reports success even while
// another client holds the pointer (it never reads the server's answer), and a window that believes
// it holds the pointer stops asking. Asked again on Qt's own connection, the same grab is granted at
// once when the program holds it already and refused while another client does. True where there
// is no X server to ask (off-screen).
bool confirmPointerGrab(QWindow* window);

} // namespace quorvane
