#pragma once

#include <QPointF>
#include <optional>

namespace quorvane {

// Posting scroll steps into other applications, and the trust that needs.
class ScrollInjecting {
public:
    virtual ~ScrollInjecting() = default;
    virtual bool trusted() const = 0;
    virtual bool prompted() const = 0;
    // The first request asks for trust; every later one opens where trust is granted.
    virtual void requestAccess() = 0;
    // One step of `clicks` wheel clicks (negative shows content further down) at `point`, global
    // points. How far a click goes is the application's to decide.
    virtual bool post(int clicks, const QPointF& point) = 0;
    // Moves the pointer to `point` without an input event; the position it landed on.
    virtual std::optional<QPointF> warpPointer(const QPointF& point) = 0;
};

} // namespace quorvane
