#pragma once

// How big the editor window is: empty, it fits its home view; with a document, the image at
// its own size where the screen allows, never enlarged. Sizes are in points, top-left origin.

#include <QRect>
#include <QSizeF>
#include <optional>

class QWidget;

namespace quorvane {

class EditorDocument;

namespace EditorWindowLayout {

inline constexpr QSize emptyContentSize{284, 310};
inline constexpr double screenShare = 0.8;
inline constexpr QSize smallestLimit{640, 400};
inline constexpr int verticalChrome = 72;
inline constexpr int horizontalChrome = 0;
inline constexpr int permissionPanel = 96;
inline constexpr double defaultBackingScale = 2.0;

// The content size for an image of `pixels` at `backingScale` on a visible area of `visible`.
QSize contentSize(std::optional<QSizeF> pixels, double backingScale, QSizeF visible);
// Where a frame of `size` whose top-left was at `topLeft` goes on `visible`: the top-left kept,
// then kept on the screen; where it cannot fit, the right edge and our top edge win.
QPoint clampedTopLeft(QPoint topLeft, QSize size, const QRect& visible);
enum class Motion { immediate, animated };

// The window's own chrome around its content (our menu bar).
QSize windowChrome(const QWidget& window);
struct Placement {
    // Where the window manager's frame goes, and the window's own size (menu bar included).
    QPoint frameTopLeft;
    QSize size;
    bool operator==(const Placement&) const = default;
};

// Where the window goes for the document (none: the empty editor, taller by the permission
// panel when `needsPermission`): its frame's top-left kept, then kept on the screen's available
// area.
Placement fittedPlacement(const QWidget& window, const EditorDocument* document, bool needsPermission);
// Sizes and places the window there, sliding when `motion` asks and the window shows; sets the
// minimum size too (the empty size without a document, the smallest limit with one).
void fit(QWidget& window, const EditorDocument* document, bool needsPermission,
         Motion motion = Motion::immediate);

} // namespace EditorWindowLayout
} // namespace quorvane
