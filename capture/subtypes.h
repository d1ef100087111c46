#pragma once
// The pixel formats the library names: the subtypes it tries in turn when a size is asked for,
// as four-character codes. 24-bit RGB is the platform's bottom-up BGR, "BGR3" on Linux; YUY2 and
// YUYV are two codes of one byte layout, and only YUYV is V4L2's.

#include "capture/camera_backend.h"

namespace capture::subtype {

inline constexpr uint32_t RGB24 = fourcc('B', 'G', 'R', '3');
inline constexpr uint32_t RGB32 = fourcc('B', 'G', 'R', '4');
inline constexpr uint32_t RGB555 = fourcc('R', 'G', 'B', 'O');
inline constexpr uint32_t RGB565 = fourcc('R', 'G', 'B', 'P');
inline constexpr uint32_t YUY2 = fourcc('Y', 'U', 'Y', '2');
inline constexpr uint32_t YVYU = fourcc('Y', 'V', 'Y', 'U');
inline constexpr uint32_t YUYV = fourcc('Y', 'U', 'Y', 'V');
inline constexpr uint32_t IYUV = fourcc('I', 'Y', 'U', 'V');
inline constexpr uint32_t UYVY = fourcc('U', 'Y', 'V', 'Y');
inline constexpr uint32_t YV12 = fourcc('Y', 'V', '1', '2');
inline constexpr uint32_t YVU9 = fourcc('Y', 'V', 'U', '9');
inline constexpr uint32_t Y411 = fourcc('Y', '4', '1', '1');
inline constexpr uint32_t Y41P = fourcc('Y', '4', '1', 'P');
inline constexpr uint32_t Y211 = fourcc('Y', '2', '1', '1');
inline constexpr uint32_t AYUV = fourcc('A', 'Y', 'U', 'V');
inline constexpr uint32_t Y800 = fourcc('Y', '8', '0', '0');
inline constexpr uint32_t Y8 = 0x38590000;  // 'Y' and '8' in the two high bytes, not padded
inline constexpr uint32_t GREY = fourcc('G', 'R', 'E', 'Y');
inline constexpr uint32_t MJPG = fourcc('M', 'J', 'P', 'G');

}  // namespace capture::subtype
