#pragma once

// The desktop's record that starts this program when the user logs in.

#include "core/Error.h"
#include "core/Result.h"

#include <QString>

namespace quorvane {

class LoginItemService {
public:
    enum class Status {
        notRegistered,
        enabled,
        // Registered, but the desktop still waits for the user to allow it (no X11 desktop asks).
        requiresApproval,
        // The program the item would start cannot be found.
        notFound,
        // The record cannot be read or used (something other than a file stands in its place).
        unavailable,
    };

    virtual ~LoginItemService() = default;

    virtual Status status() const = 0;
    // The program the item starts at login.
    virtual QString program() const = 0;
    // Asks the desktop to start the program at login, or to stop doing so; the error says why not.
    virtual Result<void, Error> registerItem() = 0;
    virtual Result<void, Error> unregisterItem() = 0;
};

} // namespace quorvane
