#pragma once
// A failed system call's errno carried in a result code, and back.

#include "capture/media/result.h"

namespace media::v4l2 {

// A failure code that keeps the errno in its low 16 bits (the platform's rule for system errors).
inline constexpr HRESULT hresult_from_errno(int error) {
    return code(0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu));
}

// The errno inside a code made by hresult_from_errno; 0 for any other code.
inline constexpr int errno_of(HRESULT hr) {
    return (static_cast<uint32_t>(hr) & 0xFFFF0000u) == 0x80070000u ? static_cast<int>(hr & 0xFFFF) : 0;
}

}  // namespace media::v4l2
