#include "export/PostCaptureAction.h"

#include <cstddef>

namespace quorvane {
namespace {

struct Row {
    const char* raw;
    const char* title;
    bool opensEditorFirst;
};

constexpr std::array<Row, 5> rows = {{
    {"showThumbnail", "Show Thumbnail", false},
    {"openEditor", "Open in Editor", true},
    {"copyToClipboard", "Copy to Clipboard", false},
    {"saveToFolder", "Save to Folder", false},
    {"copyAndOpenEditor", "Copy and Open in Editor", true},
}};

const Row& row(PostCaptureAction action) {
    return rows[static_cast<std::size_t>(action)];
}

} // namespace

QString rawValue(PostCaptureAction action) {
    return QString::fromLatin1(row(action).raw);
}

std::optional<PostCaptureAction> postCaptureAction(const QString& value) {
    for (PostCaptureAction action : allPostCaptureActions)
        if (value == QLatin1String(row(action).raw)) return action;
    return std::nullopt;
}

QString title(PostCaptureAction action) {
    return QString::fromLatin1(row(action).title);
}

bool opensEditorFirst(PostCaptureAction action) {
    return row(action).opensEditorFirst;
}

} // namespace quorvane
