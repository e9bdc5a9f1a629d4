#include "platform/DropMessageThinning.h"

namespace quorvane {

bool DropMessageThinning::admit(Message message, std::uint32_t source, Clock::time_point now) {
    if (source == 0) return false;
    if (message == Message::enter && source != followed_) {
        const bool following = followed_ != 0 && now - heard_ < silence;
        const bool resting = followed_ == 0 && source != ended_ && now - endedAt_ < rest;
        if (following || resting) return false;
        followed_ = source;
    }
    if (source != followed_) return false;
    heard_ = now;
    if (message == Message::leave || message == Message::drop) {
        followed_ = 0;
        ended_ = message == Message::leave ? source : 0;
        endedAt_ = now;
    }
    return true;
}

bool DropMessageThinning::letIn(std::uint32_t source, Clock::time_point now) {
    if (source == 0 || now < letInFreeAt()) return false;
    followed_ = source;
    heard_ = now;
    return true;
}

DropMessageThinning::Clock::time_point DropMessageThinning::letInFreeAt() const {
    return followed_ != 0 ? heard_ + silence : Clock::time_point{};
}

} // namespace quorvane
