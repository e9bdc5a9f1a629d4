#pragma once

namespace quorvane {

// What Flatten Image did: the annotations became part of the base (keeping the undo history when
// it fits, else clearing it), there was nothing to flatten, or the new base could not be made.
enum class FlattenResult { flattened, flattenedClearingHistory, nothingToFlatten, allocationFailed };

} // namespace quorvane
