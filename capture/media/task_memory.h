#pragma once
// The component system's allocator: every media type and format block a back end hands out is
// allocated here, and the receiver frees it with CoTaskMemFree.

#include <cstddef>
#include <cstdlib>

namespace media {

inline void* CoTaskMemAlloc(size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }
inline void CoTaskMemFree(void* block) { std::free(block); }

}  // namespace media
