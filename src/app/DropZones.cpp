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
#include <QPointer>
#include <QScopedValueRollback>
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

DropZones::DropZones(X11DropTarget& target, TextFieldPaste& fields, InputHold& input, QObject* parent)
    : QObject(parent), target_(target), text_(fields), input_(input) {
    connect(&target_, &X11DropTarget::hoveringChanged, this, &DropZones::showHovering);
    connect(&target_, &X11DropTarget::dropped, this, &DropZones::drop);
    connect(&target_, &X11DropTarget::caughtUp, this, &DropZones::caughtUp);
    // Input is seen before Qt routes it: a hold begun for it keeps that very input waiting too. What
    // the target's thread heard is taken first: Qt may route input before the call that tells us,
    // and a drop taken by then would hold nothing.
    connect(&input_, &InputHold::inputComing, this, [this](QWindow* window) {
        target_.handOver();
        if (!hovered_.empty()) waitForDrop(window);
    });
    qApp->installEventFilter(this);
    updateLater();
}

DropZones::~DropZones() {
    qApp->removeEventFilter(this);
    target_.setWindows({});
}

bool DropZones::eventFilter(QObject* /*watched*/, QEvent* event) {
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

void DropZones::waitForDrop(QWindow* window) {
    if (window == nullptr || window->handle() == nullptr) return;
    const auto id = static_cast<std::uint32_t>(window->winId());
    // Input going on once the target caught up came before it asked: it waits no more.
    if (releasing_ || hovered_.count(id) == 0) return;
    DropWait& wait = waits_[id];
    if (wait.lapsed || wait.held) return;
    wait.held = input_.hold(window, [](InputHold::Reason) {});
    target_.catchUp();
    QTimer::singleShot(dropWait, this, [this, id] {
        const auto found = waits_.find(id);
        if (found == waits_.end()) return;
        found->second.lapsed = true;
        InputHold::Token held = std::move(found->second.held);
        held.release();
    });
}

void DropZones::caughtUp() {
    // A drop among what was read holds its window's input itself by now.
    std::vector<InputHold::Token> held;
    for (auto& [window, wait] : waits_)
        if (wait.held) held.push_back(std::move(wait.held));
    const QScopedValueRollback releasing(releasing_, true);
    held.clear();
}

InputHold::Token DropZones::holdFor(QWidget* window, std::function<void(InputHold::Reason)> giveUp) {
    const auto now = std::chrono::steady_clock::now();
    const auto last = std::exchange(lastDrops_[window], now);
    if (now - last < dropsApart) return {};
    return input_.hold(window->windowHandle(), std::move(giveUp));
}

void DropZones::showHovering() {
    const std::set<X11DropTarget::Hover> hovering = target_.hovering();
    hovered_.clear();
    for (const X11DropTarget::Hover& hover : hovering)
        hovered_.insert(hover.first);
    // The drag is over (a drop came before this, and holds its window's input itself).
    for (auto wait = waits_.begin(); wait != waits_.end();)
        wait = hovered_.count(wait->first) != 0 ? std::next(wait) : waits_.erase(wait);
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
            if (auto* editor = qobject_cast<EditorView*>(view)) {
                // Given up, it fails as a drop whose source fell silent.
                InputHold::Token held =
                    holdFor(dropped, [editor = QPointer<EditorView>(editor)](InputHold::Reason why) {
                        if (editor) editor->giveUpDrop(why);
                    });
                return editor->openDropped(std::move(offer), std::move(held));
            }
        if (kind == text)
            if (QWidget* field = textFieldOf(view))
                return text_.drop(field, view->mapFromGlobal(global), std::move(offer),
                                  holdFor(dropped, [this](InputHold::Reason why) { text_.giveUp(why); }));
        break;
    }
    Log::app().log("Drop refused: {}", "what lay under it changed before it came");
}

} // namespace quorvane
