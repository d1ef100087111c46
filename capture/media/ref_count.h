#pragma once
// The reference count of a platform object. Objects start with one reference (the creator's).

#include <atomic>
#include <cstdint>

namespace media {

class RefCount {
public:
    uint32_t add() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
    // The count left; the caller deletes the object at zero.
    uint32_t release() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }

private:
    std::atomic<uint32_t> count_{1};
};

}  // namespace media
