#pragma once

namespace quorvane {

// How an in-place text edit ends: its text is committed, or the box goes without a change.
enum class TextEditEnding {
    commit,
    cancel,
};

} // namespace quorvane
