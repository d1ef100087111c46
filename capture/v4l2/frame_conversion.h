#pragma once
// Turns one frame as a V4L2 camera delivers it (its pixel format, rows top-down, each `stride`
// bytes apart) into what the library hands on: 24-bit BGR, rows bottom-up, no gaps.

#include <cstddef>
#include <cstdint>
#include <opencv2/core/mat.hpp>

namespace capture {

// A JPEG decoder kept across frames (decoding needs working memory).
class JpegDecoder {
public:
    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Decodes a width x height picture bottom-up into out; false for a damaged, cut-short or
    // differently sized one.
    bool decode_bottom_up(const uint8_t* data, size_t size, int width, int height, uint8_t* out);

private:
    void* handle_;
};

// What the conversion keeps between frames.
struct ConversionScratch {
    JpegDecoder jpeg;
    cv::Mat upright;
};

// Whether frames of this pixel format (a V4L2 four-character code) can be converted.
bool can_convert_to_bgr(uint32_t pixel_format);

// Writes width x height x 3 bytes to out. `used` is the frame's byte count. False (out
// unspecified) for a short, damaged or unknown frame.
bool convert_to_bottom_up_bgr(uint32_t pixel_format, const uint8_t* data, size_t used, int width, int height,
                              int stride, uint8_t* out, ConversionScratch& scratch);

}  // namespace capture
