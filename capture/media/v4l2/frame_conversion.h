#pragma once
// Turns one frame as a V4L2 device delivers it (its pixel format, rows top-down, each `stride`
// bytes apart) into what the capture graph passes on: 24-bit BGR, rows bottom-up, no gaps.

#include <cstddef>
#include <cstdint>

namespace cv {
class Mat;
}

namespace media::v4l2 {

// Whether frames of this pixel format (a V4L2 four-character code) can be converted.
bool can_convert_to_bgr(uint32_t pixel_format);

// Writes width x height x 3 bytes to out. `used` is the frame's byte count; `scratch` is reused
// by compressed formats across frames. False (out unspecified) for a short or undecodable frame.
bool convert_to_bottom_up_bgr(uint32_t pixel_format, const uint8_t* data, size_t used, int width, int height,
                              int stride, uint8_t* out, cv::Mat& scratch);

}  // namespace media::v4l2
