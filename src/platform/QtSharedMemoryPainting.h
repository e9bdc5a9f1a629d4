#pragma once

// Qt's X11 backing store paints through shared-memory segments. Where the server has MIT-SHM 1.2,
// Qt has the server make them and hand them over as file descriptors (xcb_shm_create_segment).
// libxcb 1.15 takes a descriptor that reaches it at the end of a full read, ahead of the reply it
// belongs to, for one the server sent by mistake: it closes it and shuts the connection down, and
// Qt ends the program with it. A busy machine with many events queued for us (a flood of drops)
// is enough. Qt has no switch for the descriptor path alone: told that the server has MIT-SHM 1.1,
// it makes System V segments itself and hands them to the server, and nothing comes back.

namespace quorvane::QtSharedMemoryPainting {

// Before the QApplication exists: Qt asks once, when it connects. Where this executable does not
// export its stand-in for the question (see CMakeLists.txt), Qt paints through the socket instead,
// a copy of each painted area.
void avoidDescriptors();

} // namespace quorvane::QtSharedMemoryPainting
