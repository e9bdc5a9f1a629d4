#pragma once

// Keeps a window's input in order around something read from another program for it (a paste, a
// drop): while it is read, the keys, clicks, moves and wheel turns that come to the window wait,
// and once it has landed or failed they go on in the order they came, through Qt's whole path, so
// that Ctrl+S or Ctrl+Return typed after Ctrl+V act on what was pasted. The window goes on
// painting and answering the window manager; other windows are never held.
//
// No key waits longer than the bound: the hold is given up once input has waited that long (or
// once input comes after the bound, while the read still goes on), on Escape (which is spent on
// that), and when more input waits than it keeps. A hold given up calls its `giveUp`, which says so
// and drops the read, and then the input goes on. GUI thread; made once, by the composition root.

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QWindow;

namespace quorvane {

class InputHold final : public QObject {
public:
    // What a silent clipboard holder is given before its read fails.
    static constexpr std::chrono::milliseconds defaultBound{5000};
    // Input events waiting for one window, consecutive moves counted once.
    static constexpr std::size_t mostHeld = 2000;

    // One hold, released when the token is (or ends); move only.
    class Token {
    public:
        Token() = default;
        Token(Token&& other) noexcept;
        Token& operator=(Token&& other) noexcept;
        ~Token();
        // The input held goes on in order, unless another hold of the window remains. Idempotent.
        void release();
        explicit operator bool() const { return id_ != 0 && hold_ != nullptr; }

    private:
        friend class InputHold;
        Token(InputHold& hold, std::uint64_t id);
        QPointer<InputHold> hold_;
        std::uint64_t id_ = 0;
    };

    explicit InputHold(std::chrono::milliseconds bound = defaultBound);
    ~InputHold() override;

    // Holds `window`'s input until the token is released; `giveUp` is called instead when the
    // hold is given up, and the token then holds nothing. A null window holds nothing.
    [[nodiscard]] Token hold(QWindow* window, std::function<void()> giveUp);
    // Whether `window`'s input waits now.
    bool holds(const QWindow* window) const;
    // The window the person's keys go to now: the active one, never a menu open over it (a paste
    // chosen from the Edit menu is asked in the window below). Null when none of ours is active.
    static QWindow* activeWindow();

private:
    struct Held;
    enum class Reason { bound, escape, overflow };

    bool eventFilter(QObject* watched, QEvent* event) override;
    Held* find(const QWindow* window) const;
    void release(std::uint64_t id);
    void expire(Held& held);
    void giveUp(Held& held, Reason reason);
    // Hands the waiting input on while nothing holds it; a hold started by it keeps the rest.
    void resume(const QWindow* window);
    void forget(const QWindow* window);

    std::chrono::milliseconds bound_;
    std::uint64_t lastID_ = 0;
    std::vector<std::unique_ptr<Held>> windows_;
    // Our own deliveries pass: they are the held input going on.
    int replaying_ = 0;
    // The window whose input goes on now.
    const QWindow* replayingFor_ = nullptr;
};

} // namespace quorvane
