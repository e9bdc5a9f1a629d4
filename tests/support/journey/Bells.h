#pragma once

// The bells the X server rings, as a person hears them: counted from the server's own bell
// notifications, whichever program rang.

#include <memory>

namespace quorvane::journey {

class Bells {
public:
    // Counts from now on, on the journey's display.
    Bells();
    ~Bells();
    Bells(const Bells&) = delete;
    Bells& operator=(const Bells&) = delete;

    // The bells rung so far.
    int count();
    // Waits until `total` bells have rung; whether they did.
    bool waitFor(int total, int timeoutMs = 5000);

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
    int count_ = 0;
};

} // namespace quorvane::journey
