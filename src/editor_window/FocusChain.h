#pragma once

class QWidget;

// Keeps Tab going through a window in the order its controls stand.
namespace quorvane::FocusChain {

// Moves the controls within `group` that Tab reaches to the place `group` holds in its window's
// tab order, in the order they were made. Qt puts a widget made after its window was put
// together at the end of the window's order, after everything else.
void gather(QWidget& group);

} // namespace quorvane::FocusChain
