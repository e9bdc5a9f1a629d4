#pragma once

#include <QPoint>
#include <optional>

namespace quorvane {

class X11InputConnection;

// Posts wheel clicks through XTest and moves the pointer, in root pixels.
class X11ScrollInjector {
public:
    explicit X11ScrollInjector(X11InputConnection& connection) : connection_(connection) {}

    // XTest and XInput 2 are there: clicks can be posted and told apart from the user's.
    bool available() const;
    // `clicks` wheel clicks, up (button 4) when positive, down (button 5) when negative, where the
    // pointer is. While the drag tap holds the pointer, the grab is stepped around: inside one
    // server grab the pointer is released, moved to `at`, clicked, moved back and grabbed again, so
    // the clicks reach the window under `at` and nothing else slips past the tap.
    bool post(int clicks, QPoint at);
    // Moves the pointer without a raw motion event.
    bool warpPointer(QPoint to);
    std::optional<QPoint> pointerPosition() const;

private:
    void click(int clicks);

    X11InputConnection& connection_;
};

} // namespace quorvane
