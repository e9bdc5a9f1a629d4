#pragma once

// What the program calls right before its QApplication goes away, so that a process that has
// finished its work ends at once. Qt's font database, on its way out, asks fontconfig for its
// current configuration to free it; in a process that never drew text that first loads every
// configuration file and font cache, tens of milliseconds of work only to be thrown away.

namespace quorvane::QuickTeardown {

// Makes an empty configuration fontconfig's current one: freeing it costs nothing. Text drawn
// afterwards finds no fonts.
void prepare();

} // namespace quorvane::QuickTeardown
