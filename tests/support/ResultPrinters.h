#pragma once

// Readable failure messages for errors and results in GoogleTest assertions.

#include "core/Error.h"
#include "core/Result.h"

#include <ostream>

namespace quorvane {

inline void PrintTo(const Error& error, std::ostream* out) {
    *out << error.domain.toStdString() << ' ' << error.code << " \"" << error.message.toStdString() << '"';
}

template<class E>
void PrintTo(const Failure<E>& failure, std::ostream* out) {
    *out << "failure ";
    PrintTo(failure.error, out);
}

template<class E>
void PrintTo(const Result<void, E>& result, std::ostream* out) {
    if (result.ok()) {
        *out << "done";
        return;
    }
    *out << "failure ";
    PrintTo(result.error(), out);
}

} // namespace quorvane
