#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace quorvane {

// Holds back the change signals of an observable object while an operation changes several of its
// fields, then sends each changed field's signal once, in field order, so that an observer never
// sees (or writes back into) a half-changed state. A change an observer makes while the signals
// go out is sent by the same pass. Fields are numbered 0 to 31.
class ChangeBatcher {
public:
    explicit ChangeBatcher(std::function<void(int field)> send) : send_(std::move(send)) {}
    ChangeBatcher(const ChangeBatcher&) = delete;
    ChangeBatcher& operator=(const ChangeBatcher&) = delete;

    // Records a change of `field`; sends it at once unless a hold is open.
    void changed(int field);

    // While one exists, changes wait; the outermost one sends them as it ends.
    class Hold {
    public:
        explicit Hold(ChangeBatcher& batcher) : batcher_(batcher) { ++batcher_.holds_; }
        ~Hold() {
            --batcher_.holds_;
            batcher_.publish();
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        ChangeBatcher& batcher_;
    };

private:
    void publish();

    std::function<void(int)> send_;
    std::uint32_t pending_ = 0;
    int holds_ = 0;
    bool publishing_ = false;
};

} // namespace quorvane
