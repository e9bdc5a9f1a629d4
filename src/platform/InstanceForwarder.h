#pragma once

// The client side of one running program per user and display: a later process hands its
// message to the running one over the local socket and ends. Plain system calls, no Qt event
// loop: the forwarding process loads nothing it does not need.

#include <QByteArray>
#include <chrono>
#include <filesystem>
#include <string>

namespace quorvane::InstanceForwarder {

enum class Outcome {
    // The running program has the whole message.
    delivered,
    // Sent, but no answer came in time: the running program may still be starting.
    unanswered,
    // Nobody took the message before the time was up.
    failed,
};

struct Answer {
    Outcome outcome = Outcome::failed;
    // What went wrong, for the user; empty when delivered.
    std::string problem;
};

// Connects to `socket`, retrying while no program listens there yet or one drops the connection
// unanswered (it is busy with others), until `connectFor` has passed; sends `message` and waits up
// to `answerWithin` for the acceptance. Only a socket of a process of this user is used.
Answer forward(const std::filesystem::path& socket, const QByteArray& message,
               std::chrono::milliseconds connectFor, std::chrono::milliseconds answerWithin);

} // namespace quorvane::InstanceForwarder
