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
    // Whether the toolkit gets the enter of `source`, a drag kept out earlier and let in now: once
    // no drag is followed, or the followed one fell silent. The rest does not hold it back: it
    // entered before the drop the rest follows.
    bool letIn(std::uint32_t source, Clock::time_point now);
    // From when on, unless other messages come first, a drag kept out earlier would be let in.
    Clock::time_point letInFreeAt() const;
    // The source of the drag followed now, or of the last one if it fell silent; 0 for none.
    std::uint32_t followed() const { return followed_; }
    // The followed drag is followed no more, without ending: it is let in again when its turn comes.
    void unfollow() { followed_ = 0; }

private:
    std::uint32_t followed_ = 0;
    Clock::time_point heard_{};
    // The source that ended the last drag, and when; 0 after a drop, which none may resume.
    std::uint32_t ended_ = 0;
    Clock::time_point endedAt_{};
};

} // namespace quorvane
