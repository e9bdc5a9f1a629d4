#pragma once

namespace quorvane {

// The sound of a refused command; behind an interface so that tests can count beeps.
class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

} // namespace quorvane
