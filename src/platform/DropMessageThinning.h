#pragma once

#include <chrono>
#include <cstdint>

namespace quorvane {

// Which drag messages (XDND) of other programs the toolkit gets to handle. A pointer drags one
// thing at a time, and a person needs a moment between one drop and the next drag; a program
// that enters, moves and drops faster than that, or from many windows at once, is no person: its
// extra messages are left out before they cost anything. Qt handles each message it gets on the
// GUI thread, and looks through all queued messages for each position it gets.
//
// One drag is followed at a time: that of the source that entered last while none was followed.
// Its positions, leaving and drop go on; messages of every other source are left out. Another
// source may enter once the followed one has left or dropped, after a rest following a drop or
// another's leaving; or once the followed one has said nothing for a while (it ended without
// saying so). The source that left may come back at once, as a pointer crossing the window's edge
// does.
class DropMessageThinning {
public:
    using Clock = std::chrono::steady_clock;
    enum class Message { enter, position, leave, drop };

    // Between a drop, or one source leaving, and another drag entering.
    static constexpr auto rest = std::chrono::milliseconds(100);
    // A followed source silent this long has ended its drag.
    static constexpr auto silence = std::chrono::milliseconds(1000);

    // Whether the toolkit gets `message` of the drag source window `source`, arriving at `now`.
    bool admit(Message message, std::uint32_t source, Clock::time_point now);
    // From when on, unless other messages come first, an enter of `source` would be admitted.
    Clock::time_point enterFreeAt(std::uint32_t source) const;

private:
    std::uint32_t followed_ = 0;
    Clock::time_point heard_{};
    // The source that ended the last drag, and when; 0 after a drop, which none may resume.
    std::uint32_t ended_ = 0;
    Clock::time_point endedAt_{};
};

} // namespace quorvane
