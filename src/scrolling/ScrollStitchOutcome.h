#pragma once

#include <QString>

namespace quorvane {

// The stitcher's answer to one frame.
struct ScrollStitchOutcome {
    enum class Kind {
        appended,      // `rows` rows of new content were added (footer rows not counted)
        lowConfidence, // stitching stopped; `message` tells the user why
        noProgress,    // nothing was added
        reversed,      // the content moved back down; nothing was added
        limitReached,  // the output reached its row limit; stitching stopped
        mismatched,    // the frame's size differs from the first frame's; it was ignored
    };

    Kind kind = Kind::noProgress;
    int rows = 0;
    QString message;

    static ScrollStitchOutcome appended(int rows) { return {Kind::appended, rows, {}}; }
    static ScrollStitchOutcome lowConfidence(QString message) {
        return {Kind::lowConfidence, 0, std::move(message)};
    }
    static ScrollStitchOutcome noProgress() { return {Kind::noProgress, 0, {}}; }
    static ScrollStitchOutcome reversed() { return {Kind::reversed, 0, {}}; }
    static ScrollStitchOutcome limitReached() { return {Kind::limitReached, 0, {}}; }
    static ScrollStitchOutcome mismatched() { return {Kind::mismatched, 0, {}}; }

    // Outcomes after which the stitcher accepts no further frame.
    bool stops() const { return kind == Kind::lowConfidence || kind == Kind::limitReached; }

    bool operator==(const ScrollStitchOutcome&) const = default;

    // The stitcher's stop messages.
    static QString frameUnreadable();
    static QString scrolledTooFar();
    static QString ambiguousOverlap();
    static QString outOfMemory();
};

} // namespace quorvane
