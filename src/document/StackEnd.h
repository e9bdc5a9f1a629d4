#pragma once

namespace quorvane {

// Where Bring to Front and Send to Back put an annotation: the front is drawn last, on top.
enum class StackEnd { front, back };

} // namespace quorvane
