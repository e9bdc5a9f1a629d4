#pragma once

// What an x11 test may change on its display and must put back: windows on the screen, window
// and compositing managers with what they leave on the root window, the pointer, the focus,
// grabs and monitors.

#include <QPoint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::test {

struct DisplayState {
    // One line per fact, sorted.
    std::vector<std::string> facts;

    // Reads the state of $DISPLAY's first screen.
    static DisplayState now();
    bool operator==(const DisplayState&) const = default;
};

// Puts the pointer back where it was, and the focus back to following the pointer if it did,
// however the test that holds it ends.
class InputKept {
public:
    InputKept();
    ~InputKept();
    InputKept(const InputKept&) = delete;
    InputKept& operator=(const InputKept&) = delete;

private:
    std::optional<QPoint> pointer_;
    bool focusFollowsPointer_ = false;
};

// Fails a test that leaves its display otherwise than it found it, with what changed.
class DisplayStateCheck : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override;
    void OnTestEnd(const ::testing::TestInfo&) override;

private:
    DisplayState before_;
};

} // namespace quorvane::test
