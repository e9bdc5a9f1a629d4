#pragma once

#include "platform/Beeper.h"

namespace quorvane {

// The desktop's bell, through Qt.
class SystemBeeper final : public Beeper {
public:
    void beep() override;
};

} // namespace quorvane
