#pragma once

#include <QString>

namespace quorvane {

// Why an automatic or edge-driven run ended.
struct AutoScrollStop {
    enum class Kind {
        userInput,     // `detail` says what the user did ("the pointer moved")
        stitchStopped, // `detail` is the stitcher's full message
        endReached,
        noEffect,
        escape,
        stopped,
        targetChanged,
        noTarget,
        permissionRevoked,
        injectionFailed,
        contentReversed,
        stepLimit,
    };

    Kind kind = Kind::stopped;
    QString detail;

    static AutoScrollStop userInput(QString what) { return {Kind::userInput, std::move(what)}; }
    static AutoScrollStop stitchStopped(QString message) { return {Kind::stitchStopped, std::move(message)}; }
    static AutoScrollStop of(Kind kind) { return {kind, {}}; }

    // What the heads-up panel shows when the run ends.
    QString message() const;
    // The case name, for the log.
    QString name() const;

    bool operator==(const AutoScrollStop&) const = default;
};

} // namespace quorvane
