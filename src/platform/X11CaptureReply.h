#pragma once

// Replies and errors that xcb allocates, freed with their owner.

#include <cstdlib>
#include <memory>

namespace quorvane {

struct X11FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};

template<class T>
using X11Reply = std::unique_ptr<T, X11FreeDeleter>;

} // namespace quorvane
