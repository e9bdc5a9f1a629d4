#include "app/DropZones.h"

#include "app/TextFieldPaste.h"
#include "core/Log.h"
#include "editor_window/EditorView.h"
#include "editor_window/ImageDropTarget.h"
#include "platform/X11DropTarget.h"
#include "scrolling/NativePoints.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <optional>

namespace quorvane {
namespace {

// The text field that a view taking drops belongs to: a line field itself, a text area by its
// viewport; none when it takes no text now.
QWidget* textFieldOf(QWidget* view) {
    if (auto* line = qobject_cast<QLineEdit*>(view)) return line->isReadOnly() ? nullptr : line;
    auto* area = qobject_cast<QAbstractScrollArea*>(view->parentWidget());
    if (area == nullptr || area->viewport() != view) return nullptr;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(area)) return plain->isReadOnly() ? nullptr : plain;
    if (auto* rich = qobject_cast<QTextEdit*>(area)) return rich->isReadOnly() ? nullptr : rich;
    return nullptr;
}

std::optional<DropZones::Kind> kindOf(QWidget* view) {
    if (!view->acceptDrops()) return std::nullopt;
    if (qobject_cast<EditorView*>(view) != nullptr) return DropZones::image;
    if (textFieldOf(view) != nullptr) return DropZones::text;
    return std::nullopt;
}

// What of `view` shows, in the root window's pixels.
QRect nativeArea(const QWidget* view) {
    const QRect shown = view->visibleRegion().boundingRect();
    if (shown.isEmpty()) return {};
    const QPoint from = NativePoints::toNative(view->mapToGlobal(shown.topLeft()));
    const QPoint to =
        NativePoints::toNative(view->mapToGlobal(shown.topLeft() + QPoint(shown.width(), shown.height())));
    return QRect(from, QSize(to.x() - from.x(), to.y() - from.y()));
}

// The id of `window`'s X window, if it has one; none is made for asking.
std::optional<std::uint32_t> nativeId(const QWidget* window) {
    if (window->windowHandle() == nullptr || window->windowHandle()->handle() == nullptr) return std::nullopt;
    return static_cast<std::uint32_t>(window->winId());
}

} // namespace

std::vector<QStringList> DropZones::kinds() {
    return {ImageDropTarget::types(), TextFieldPaste::types()};
}

DropZones::DropZones(X11DropTarget& target, TextFieldPaste& fields, QObject* parent)
    : QObject(parent), target_(target), text_(fields) {
    connect(&target_, &X11DropTarget::hoveringChanged, this, &DropZones::showHovering);
    connect(&target_, &X11DropTarget::dropped, this, &DropZones::drop);
    qApp->installEventFilter(this);
    updateLater();
}

DropZones::~DropZones() {
    qApp->removeEventFilter(this);
    target_.setWindows({});
}

bool DropZones::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::ParentChange:
    case QEvent::ReadOnlyChange:
    case QEvent::ZOrderChange:
    case QEvent::WinIdChange:
        updateLater();
        break;
    default:
        break;
    }
    return false;
}

void DropZones::updateLater() {
    // Once a turn, however many views changed in it.
    if (std::exchange(updating_, true)) return;
    QTimer::singleShot(0, this, [this] {
        updating_ = false;
        update();
    });
}

void DropZones::update() {
    std::vector<X11DropTarget::Window> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const std::optional<std::uint32_t> id = nativeId(window);
        if (!id || !window->isVisible()) continue;
        QList<QWidget*> views = window->findChildren<QWidget*>();
        views.prepend(window);
        std::vector<X11DropTarget::Zone> zones;
        // Children come after their parents and later siblings after earlier ones: the walk backwards
        // goes front to back.
        for (auto each = views.crbegin(); each != views.crend(); ++each) {
            QWidget* view = *each;
            if (view->window() != window || !view->isVisible()) continue;
            const std::optional<Kind> kind = kindOf(view);
            if (!kind) continue;
            if (const QRect area = nativeArea(view); !area.isEmpty()) zones.push_back({area, *kind});
        }
        if (!zones.empty()) windows.push_back({*id, std::move(zones)});
    }
    target_.setWindows(std::move(windows));
}

void DropZones::showHovering() {
    const std::set<X11DropTarget::Hover> hovering = target_.hovering();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const std::optional<std::uint32_t> id = nativeId(window);
        QList<EditorView*> views = window->findChildren<EditorView*>();
        if (auto* itself = qobject_cast<EditorView*>(window)) views.prepend(itself);
        for (EditorView* view : views)
            view->setDropTargeted(id && hovering.count({*id, image}) != 0);
    }
}

void DropZones::drop(std::uint32_t window, QPoint position, int kind, std::shared_ptr<ClipboardOffer> offer) {
    QWidget* dropped = nullptr;
    for (QWidget* each : QApplication::topLevelWidgets())
        if (nativeId(each) == window && each->isVisible()) dropped = each;
    const QPoint global = NativePoints::fromNative(position).toPoint();
    QWidget* under = dropped != nullptr ? dropped->childAt(dropped->mapFromGlobal(global)) : nullptr;
    if (under == nullptr) under = dropped;
    // The nearest view that takes drops takes it, as Qt hands a drop on.
    for (QWidget* view = under; view != nullptr && view->window() == dropped; view = view->parentWidget()) {
        if (!view->acceptDrops()) continue;
        if (kind == image)
            if (auto* editor = qobject_cast<EditorView*>(view)) return editor->openDropped(std::move(offer));
        if (kind == text)
            if (QWidget* field = textFieldOf(view))
                return text_.drop(field, view->mapFromGlobal(global), std::move(offer));
        break;
    }
    Log::app().log("Drop refused: {}", "what lay under it changed before it came");
}

} // namespace quorvane
