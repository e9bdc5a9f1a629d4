#include "scrolling/AutoScrollInputClassifier.h"

#include <Qt>
#include <cmath>

namespace quorvane::AutoScrollInputClassifier {

std::optional<AutoScrollStop> classify(const RawInputEvent& event, const QPointF& position,
                                       const QPointF& anchor) {
    using Kind = RawInputEvent::Kind;
    using Key = RawInputEvent::Key;
    switch (event.kind) {
    case Kind::mouseDown:
        return AutoScrollStop::userInput(QStringLiteral("the mouse was clicked"));
    case Kind::mouseMoved:
        if (std::hypot(position.x() - anchor.x(), position.y() - anchor.y()) > pointerSlack)
            return AutoScrollStop::userInput(QStringLiteral("the pointer moved"));
        return std::nullopt;
    case Kind::keyDown:
        switch (event.key) {
        case Key::escape:
            return AutoScrollStop::of(AutoScrollStop::Kind::escape);
        case Key::modifier:
            return AutoScrollStop::userInput(QStringLiteral("a modifier key was pressed"));
        case Key::lock:
            return std::nullopt;
        case Key::other:
            return AutoScrollStop::userInput(QStringLiteral("a key was pressed"));
        }
        return std::nullopt;
    case Kind::scrollWheel:
        if (event.userData == RawInputEvent::ownEventMark) return std::nullopt;
        return AutoScrollStop::userInput(QStringLiteral("the scroll wheel or trackpad was used"));
    }
    return std::nullopt;
}

RawInputEvent::Key keyClass(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Escape:
        return RawInputEvent::Key::escape;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return RawInputEvent::Key::modifier;
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_AltGr:
    case Qt::Key_Mode_switch:
        return RawInputEvent::Key::lock;
    default:
        return RawInputEvent::Key::other;
    }
}

} // namespace quorvane::AutoScrollInputClassifier
