#pragma once

#include <cstdlib>
#include <memory>

struct CorvoFreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};

// Owns a reply or an error that xcb allocated for the caller.
template <typename T>
using CorvoXcbReply = std::unique_ptr<T, CorvoFreeDeleter>;
