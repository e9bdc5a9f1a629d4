#pragma once

#include <QString>
#include <array>
#include <optional>

namespace quorvane {

// What happens to a new screenshot, stored by its raw value (the case name).
enum class PostCaptureAction { showThumbnail, openEditor, copyToClipboard, saveToFolder, copyAndOpenEditor };

inline constexpr std::array<PostCaptureAction, 5> allPostCaptureActions = {
    PostCaptureAction::showThumbnail, PostCaptureAction::openEditor, PostCaptureAction::copyToClipboard,
    PostCaptureAction::saveToFolder, PostCaptureAction::copyAndOpenEditor};

QString rawValue(PostCaptureAction action);
// Exact raw values only.
std::optional<PostCaptureAction> postCaptureAction(const QString& rawValue);
// The settings picker's title, e.g. "Copy and Open in Editor".
QString title(PostCaptureAction action);
// Whether the editor window is shown before the capture starts.
bool opensEditorFirst(PostCaptureAction action);

} // namespace quorvane
