#include "canvas/CanvasKeyboard.h"

#include "canvas/AnnotationTextEditor.h"
#include "canvas/CanvasEditCommands.h"
#include "canvas/CanvasPainter.h"
#include "canvas/CanvasZoom.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/ErasePlacement.h"
#include "canvas/RulerOverlayView.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <QKeyEvent>
#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

bool isArrow(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

bool isReturn(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

Qt::KeyboardModifiers CanvasKeyboard::relevant(Qt::KeyboardModifiers modifiers) {
    return modifiers & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
}

bool CanvasKeyboard::claims(const QKeyEvent& event) const {
    const Qt::KeyboardModifiers mods = relevant(event.modifiers());
    const int key = event.key();
    if (mods & Qt::ControlModifier) {
        if (isArrow(key)) return true;
        return key == Qt::Key_Z || key == Qt::Key_D || key == Qt::Key_0 || key == Qt::Key_Equal ||
               key == Qt::Key_Plus || key == Qt::Key_Minus;
    }
    if (isArrow(key) || isReturn(key)) return true;
    if (key == Qt::Key_Escape || key == Qt::Key_Delete || key == Qt::Key_Backspace) return true;
    return mods == Qt::NoModifier && key >= Qt::Key_A && key <= Qt::Key_Z;
}

bool CanvasKeyboard::keyPress(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = relevant(event.modifiers());
    const int key = event.key();
    EditorCanvasSettings& settings = view_.settings();
    if ((mods & Qt::ControlModifier) && shortcut(key, mods)) return true;

    if (settings.modes().textRedaction() != nullptr &&
        (key == Qt::Key_Escape || isReturn(key) || isArrow(key))) {
        if (key == Qt::Key_Escape || isReturn(key)) commands_.endTextRedaction(isReturn(key));
        view_.refresh();
        return true;
    }
    if (key == Qt::Key_Escape && clearRulers()) return true;

    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        commands_.deleteSelection();
        return true;
    case Qt::Key_Escape:
        escape();
        view_.refresh();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!returnPressed()) return false;
        view_.refresh();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const bool backward = key == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
        if (!(mods & Qt::ControlModifier) && cycleAnnotations(backward)) {
            view_.refresh();
            return true;
        }
        view_.moveFocus(!backward);
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const double dx = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
        const double dy = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
        if (!arrowPressed(dx, dy, mods)) return false;
        view_.refresh();
        return true;
    }
    default:
        break;
    }
    if (mods != Qt::NoModifier || view_.textEditor().isOpen()) return false;
    return toolKey(key);
}

bool CanvasKeyboard::shortcut(int key, Qt::KeyboardModifiers modifiers) {
    EditorCanvasSettings& settings = view_.settings();
    switch (key) {
    case Qt::Key_Z:
        if (modifiers & Qt::ShiftModifier)
            commands_.redo();
        else
            commands_.undo();
        return true;
    case Qt::Key_D:
        // Consumed even with nothing to duplicate, so the key never reaches anything else.
        if (!view_.textEditor().isOpen()) commands_.duplicate();
        return true;
    case Qt::Key_0:
        settings.fitImage();
        return true;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        zoom_.zoomBy(2.0);
        return true;
    case Qt::Key_Minus:
        zoom_.zoomBy(0.5);
        return true;
    default:
        return false;
    }
}

bool CanvasKeyboard::clearRulers() {
    if (view_.settings().style().toolKind() != ToolTable::Tool::ruler) return false;
    if (!view_.rulerManual().measurement && !view_.rulerHorizontal().measurement) return false;
    view_.gesture().rulerAnchor.reset();
    for (RulerOverlayView* ruler : {&view_.rulerHorizontal(), &view_.rulerVertical(), &view_.rulerManual()}) {
        if (!ruler->measurement) continue;
        ruler->measurement.reset();
        ruler->update();
    }
    view_.configurePrecisionTools();
    return true;
}

bool CanvasKeyboard::toolKey(int key) {
    using Tool = ToolTable::Tool;
    if (key < Qt::Key_A || key > Qt::Key_Z) return false;
    const QChar letter = QChar(u'a' + (key - Qt::Key_A));
    // The crop key belongs to no tool.
    const bool crop = letter == u'c';
    const ToolTable::Row* row = ToolTable::forKey(letter);
    if (!crop && row == nullptr) return false;
    EditorCanvasSettings& settings = view_.settings();
    view_.gesture().reset();
    view_.painter().clearDragBase();
    const bool modes = settings.modes().cropping() || settings.modes().recognizing();
    // A second press of the Bracket or Arrow key switches the shape rather than the tool.
    const bool again = !crop && !modes && settings.style().toolKind() == row->tool;
    if (crop)
        settings.toggleCrop();
    else if (again && row->tool == Tool::bracket)
        settings.cycleBracket();
    else if (again && row->tool == Tool::arrow)
        settings.toggleArrowStyle();
    else
        settings.choose(row->tool);
    view_.refresh();
    return true;
}

void CanvasKeyboard::escape() {
    EditorCanvasSettings& settings = view_.settings();
    CanvasGesture& gesture = view_.gesture();
    const bool inProgress = gesture.proposed.has_value() || settings.modes().selection().has_value();
    gesture.reset();
    view_.painter().clearDragBase();
    const auto hold = settings.holdChanges();
    settings.modes().setAreaColors(std::nullopt);
    settings.modes().setSelection(std::nullopt);
    settings.modes().setMessage(QString());
    if (inProgress) return;
    if (settings.modes().recognizing())
        settings.modes().setRecognizing(false);
    else if (settings.modes().cropping())
        settings.modes().setCropping(false);
    else
        settings.modes().setSelectedID(std::nullopt);
}

bool CanvasKeyboard::cycleAnnotations(bool backward) {
    const EditorCanvasSettings& settings = view_.settings();
    EditorDocument* doc = view_.document();
    if (doc == nullptr || settings.style().toolKind() != ToolTable::Tool::select ||
        settings.modes().cropping() || settings.modes().recognizing() || view_.textEditor().isOpen())
        return false;
    std::vector<const Annotation*> list;
    const auto& annotations = doc->annotations();
    for (auto it = annotations.rbegin(); it != annotations.rend(); ++it)
        if (!geom::isNull(geom::intersection(geom::standardized(it->rect), doc->cropRect())))
            list.push_back(&*it);
    if (list.empty()) return false;
    const int n = static_cast<int>(list.size());
    const auto found = std::find_if(list.begin(), list.end(), [&](const Annotation* a) {
        return settings.modes().selectedID() == a->id;
    });
    int index = backward ? n - 1 : 0;
    if (found != list.end()) {
        const int i = static_cast<int>(found - list.begin());
        index = backward ? (i - 1 + n) % n : (i + 1) % n;
    }
    view_.settings().select(*list[index]);
    return true;
}

bool CanvasKeyboard::returnPressed() {
    EditorCanvasSettings& settings = view_.settings();
    EditorDocument* doc = view_.document();
    view_.gesture().dragAnchor.reset();
    if (doc == nullptr) return false;
    if (settings.modes().recognizing()) {
        settings.finishRecognizing(*doc);
        return true;
    }
    if (settings.modes().cropping()) {
        settings.applyCrop(*doc);
        return true;
    }
    if (settings.style().toolKind() == ToolTable::Tool::select) {
        if (const auto selected = view_.selectedAnnotation();
            selected && selected->kind == AnnotationKind::text) {
            view_.beginTextEditing(*selected);
            return true;
        }
    }
    if (!settings.modes().selection() || !settings.style().drawingKind()) return false;
    addFromSelection(*doc);
    return true;
}

void CanvasKeyboard::addFromSelection(EditorDocument& doc) {
    EditorCanvasSettings& settings = view_.settings();
    const AnnotationKind kind = *settings.style().drawingKind();
    const QRectF r = geom::offsetBy(*settings.modes().selection(), doc.cropRect().x(), doc.cropRect().y());
    if (kind == AnnotationKind::erase) {
        view_.erasePlacement().placeErase(r);
        return;
    }
    settings.modes().setSelection(std::nullopt);
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.rect = r;
    a.start = r.topLeft();
    a.end = r.bottomRight();
    a.color = settings.style().color();
    a.strokeWidth = settings.style().strokeWidth();
    if (kind == AnnotationKind::text) {
        a.strokeWidth = 3.0;
        a.fontSize = settings.style().fontPoints() * doc.pixelScale();
        view_.beginTextEditing(a);
        return;
    }
    if (isBracket(kind)) {
        const bool open = kind == AnnotationKind::bracketOpen || kind == AnnotationKind::braceOpen;
        if (r.width() <= r.height()) {
            const double x = open ? r.left() : r.right();
            a.start = QPointF(x, r.top());
            a.end = QPointF(x, r.bottom());
        } else {
            const double y = open ? r.top() : r.bottom();
            a.start = QPointF(r.left(), y);
            a.end = QPointF(r.right(), y);
        }
        if (std::abs(a.end.y() - a.start.y()) < std::abs(a.end.x() - a.start.x()))
            a.end = QPointF(a.end.x(), a.start.y());
        else
            a.end = QPointF(a.start.x(), a.end.y());
        a.rect = geom::standardized(a.bracketPath().boundingRect());
    } else if (const auto made = settings.toolAnnotation(kind, r, doc)) {
        a = *made;
    } else {
        a.fill = settings.style().fill();
    }
    doc.addAnnotation(a);
    settings.modes().setSelectedID(a.id);
    settings.announce(settings.style().tool() + QStringLiteral(" added"));
}

bool CanvasKeyboard::arrowPressed(double dx, double dy, Qt::KeyboardModifiers modifiers) {
    EditorCanvasSettings& settings = view_.settings();
    EditorDocument* doc = view_.document();
    if (view_.gesture().dragAnchor || view_.textEditor().isOpen()) return true;
    if (doc == nullptr) return false;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool alt = modifiers & Qt::AltModifier;
    const bool modes = settings.modes().cropping() || settings.modes().recognizing();
    if (!settings.style().drawingKind() && !modes) {
        if (settings.style().toolKind() == ToolTable::Tool::select) {
            const auto selected = view_.selectedAnnotation();
            if (!selected) return false;
            if (selected->kind == AnnotationKind::arrow && alt && (modifiers & Qt::ControlModifier)) {
                const double step = shift ? 10 : 2;
                doc->updateAnnotation(
                    selected->bent(selected->arrowMidpoint() + QPointF(dx * step, dy * step)));
                return true;
            }
            const double step = shift || alt ? 10 : 1;
            std::optional<Annotation> moved = selected->translated(dx * step, dy * step);
            if (moved->kind == AnnotationKind::erase) moved = view_.erasePlacement().revalidatedErase(*moved);
            if (moved) doc->updateAnnotation(*moved);
            return true;
        }
        const double step = shift ? 100 : 20;
        settings.viewport().setPan(settings.viewport().pan() - QPointF(dx * step, dy * step));
        return true;
    }
    const double step = alt ? 10 : 1;
    const double W = doc->cropRect().width();
    const double H = doc->cropRect().height();
    if (W < 1 || H < 1) return true;
    const auto hold = settings.holdChanges();
    settings.modes().setMessage(QString());
    if (!settings.modes().selection()) {
        const double width = std::max(geom::roundHalfAway(W * 0.5), 1.0);
        const double height = std::max(geom::roundHalfAway(H * 0.5), 1.0);
        settings.modes().setSelection(
            QRectF(std::floor((W - width) * 0.5), std::floor((H - height) * 0.5), width, height));
        return true;
    }
    QRectF s = geom::standardized(*settings.modes().selection());
    if (!shift) {
        const double x = std::min(std::max(s.x() + dx * step, 0.0), W - s.width());
        const double y = std::min(std::max(s.y() + dy * step, 0.0), H - s.height());
        s.moveTo(x, y);
    } else {
        s.setWidth(std::min(std::max(s.width() + dx * step, 1.0), W - s.x()));
        s.setHeight(std::min(std::max(s.height() + dy * step, 1.0), H - s.y()));
    }
    settings.modes().setSelection(s);
    return true;
}

} // namespace quorvane
