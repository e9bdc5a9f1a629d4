#pragma once

#include <QPoint>
#include <QTimer>
#include <memory>
#include <optional>

namespace quorvane {

class X11InputConnection;
class X11StepPointer;

// Posts wheel clicks through XTest and moves the pointer, in root pixels.
class X11ScrollInjector {
public:
    explicit X11ScrollInjector(X11InputConnection& connection);
    ~X11ScrollInjector();
    X11ScrollInjector(const X11ScrollInjector&) = delete;
    X11ScrollInjector& operator=(const X11ScrollInjector&) = delete;

    // XTest and XInput 2 are there: clicks can be posted and told apart from the user's.
    bool available() const;
    // `clicks` wheel clicks, up (button 4) when positive, down (button 5) when negative, where the
    // pointer is (an automatic run moved it to the scroll point). While the drag tap holds the
    // pointer, a second pointer of our own clicks at `at` instead.
    bool post(int clicks, QPoint at);
    // Moves the pointer without a raw motion event.
    bool warpPointer(QPoint to);
    std::optional<QPoint> pointerPosition() const;

private:
    void click(int clicks);

    X11InputConnection& connection_;
    std::unique_ptr<X11StepPointer> stepPointer_;
    // Drops the step pointer a second after the last step.
    QTimer idle_;
};

} // namespace quorvane
