#pragma once

// Where the top-level windows of the journey's display stand, one entry for every move the X
// server reports, from now on: what a person sees of a window that slides in or simply appears.
// The server queues every report, so no move goes unseen however busy the machine is.

#include <QString>
#include <map>
#include <memory>
#include <vector>

namespace quorvane::journey {

class WindowMoves {
public:
    WindowMoves();
    ~WindowMoves();
    WindowMoves(const WindowMoves&) = delete;
    WindowMoves& operator=(const WindowMoves&) = delete;

    // The left edges (screen coordinates) at which the window manager's frame showed the window
    // `id` (as `Window::id`) since recording began, in order: where it was mapped, then every move
    // while it stayed on the screen.
    std::vector<int> leftEdges(const QString& id);

private:
    void read();

    struct Connection;
    std::unique_ptr<Connection> connection_;
    struct Report {
        enum class Kind { placed, reparented, mapped, unmapped } kind;
        std::uint32_t window;
        std::uint32_t parent;
        int x;
    };
    std::vector<Report> reports_;
};

} // namespace quorvane::journey
