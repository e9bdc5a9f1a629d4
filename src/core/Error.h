#pragma once

// An error as it crosses into the user interface and the log: a domain such as
// "Quorvane.Export", a small code, and the message the user reads.

#include <QString>

namespace quorvane {

struct Error {
    QString domain;
    int code = 0;
    QString message;

    bool operator==(const Error&) const = default;
};

} // namespace quorvane
