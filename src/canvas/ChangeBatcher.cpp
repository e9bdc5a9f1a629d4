#include "canvas/ChangeBatcher.h"

#include <bit>
#include <cassert>

namespace quorvane {

void ChangeBatcher::changed(int field) {
    assert(field >= 0 && field < 32);
    pending_ |= 1u << field;
    publish();
}

void ChangeBatcher::publish() {
    // The loop already running picks up what its observers change.
    if (holds_ > 0 || publishing_) return;
    publishing_ = true;
    while (pending_ != 0) {
        const int next = std::countr_zero(pending_);
        pending_ &= ~(1u << next);
        send_(next);
    }
    publishing_ = false;
}

} // namespace quorvane
