#pragma once

class QFileDialog;

namespace quorvane::FileDialogLook {

// Makes one of our non-native file dialogs readable: big enough that its columns show whole
// names, sizes and types, the name field wide, and the lists starting where files are.
void apply(QFileDialog& dialog);

} // namespace quorvane::FileDialogLook
