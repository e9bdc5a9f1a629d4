#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

// Other programs' drags kept out of our windows while another drag is followed, remembered so
// that each is let in once it may enter: its source waits for our answer and would otherwise never
// drop. One drag a source window, the latest, with its enter and latest position; at most `most`
// sources. The drags are let in oldest first.
//
// A flood cannot push out a drag that waits. A source whose drag ended while it was kept out, as a
// flood's do many times a second, is remembered as one that ends its drags, and such sources make
// room first: the oldest of those whose drag is over, then the newest of those whose drag goes on.
// Only when every source remembered has a drag that waits and never ended one does the newest of
// them make room: the drags that waited longest stay, and a drag that enters once such a flood is
// over is remembered.
class KeptOutDrags {
public:
    using Clock = std::chrono::steady_clock;
    // A client message's 32 bytes, as it was sent.
    using Message = std::array<char, 32>;

    static constexpr std::size_t most = 64;

    struct Drag {
        std::uint32_t source = 0;
        // The window of ours it entered.
        std::uint32_t window = 0;
        Message enter{};
        std::optional<Message> position;
        // When it entered, for its place in the line.
        Clock::time_point since{};
    };

    // The drag of `source` entered our window `window` at `now` and was kept out. Entering again
    // while its drag goes on keeps its place.
    void entered(std::uint32_t source, std::uint32_t window, const Message& enter, Clock::time_point now);
    // Its latest position; for a drag over another window than it entered, nothing.
    void moved(std::uint32_t source, std::uint32_t window, const Message& position);
    // It left or dropped while kept out: nothing waits for our answer.
    void ended(std::uint32_t source, std::uint32_t window);
    // A drag that was followed waits again, in its place by the time it entered. It makes no room
    // of a drag that waits and never ended one: it had its turn, they did not.
    void wait(const Drag& drag);
    // The source is in, or gone: nothing of it is kept.
    void forget(std::uint32_t source);

    // The drag that has waited longest; null when none waits.
    const Drag* oldest() const;
    // The drags that wait, oldest first.
    std::vector<Drag> waiting() const;
    // Sources remembered, with a drag waiting or not.
    std::size_t size() const { return kept_.size(); }

private:
    struct Kept {
        Drag drag;
        bool waiting = true;
        // Its source ended a drag while kept out.
        bool ends = false;
    };

    std::vector<Kept>::iterator find(std::uint32_t source);
    // Room for one more source, if need be of the newest drag that waits; false when there is none.
    enum class Room { ofEnded, ofWaiting };
    bool makeRoom(Room room);
    void insert(Kept kept);

    // Oldest first.
    std::vector<Kept> kept_;
};

} // namespace quorvane
