#include "capture/v4l2/frame_conversion.h"

#include <linux/videodev2.h>
#include <turbojpeg.h>

#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace capture {
namespace {

// Bytes a packed frame needs: every line but the last in full, the last up to its pixels.
bool long_enough(size_t used, int height, int stride, int line_bytes) {
    return stride >= line_bytes && used >= static_cast<size_t>(height - 1) * static_cast<size_t>(stride) +
                                               static_cast<size_t>(line_bytes);
}

bool convert_frame(uint32_t pixel_format, const uint8_t* data, size_t used, int width, int height, int stride,
                   uint8_t* out, ConversionScratch& scratch) {
    if (!data || !out || width <= 0 || height <= 0) return false;
    auto* src = const_cast<uint8_t*>(data);  // OpenCV headers over the driver's buffer, read only
    const auto step = static_cast<size_t>(stride);
    int code = -1;
    cv::Mat frame;
    switch (pixel_format) {
        case V4L2_PIX_FMT_MJPEG:
        case V4L2_PIX_FMT_JPEG:
            return scratch.jpeg.decode_bottom_up(data, used, width, height, out);
        case V4L2_PIX_FMT_BGR24:
            if (!long_enough(used, height, stride, width * 3)) return false;
            frame = cv::Mat(height, width, CV_8UC3, src, step);
            break;
        case V4L2_PIX_FMT_RGB24:
            if (!long_enough(used, height, stride, width * 3)) return false;
            frame = cv::Mat(height, width, CV_8UC3, src, step);
            code = cv::COLOR_RGB2BGR;
            break;
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
            if (width % 2 != 0 || !long_enough(used, height, stride, width * 2)) return false;
            frame = cv::Mat(height, width, CV_8UC2, src, step);
            code = pixel_format == V4L2_PIX_FMT_YUYV ? cv::COLOR_YUV2BGR_YUYV : cv::COLOR_YUV2BGR_UYVY;
            break;
        case V4L2_PIX_FMT_GREY:
            if (!long_enough(used, height, stride, width)) return false;
            frame = cv::Mat(height, width, CV_8UC1, src, step);
            code = cv::COLOR_GRAY2BGR;
            break;
        case V4L2_PIX_FMT_YUV420:
        case V4L2_PIX_FMT_YVU420:
        case V4L2_PIX_FMT_NV12:
            // Planar layouts are read as one block of 3/2 height lines of `width` bytes.
            if (width % 2 != 0 || height % 2 != 0 || stride != width) return false;
            if (used < static_cast<size_t>(width) * static_cast<size_t>(height) * 3 / 2) return false;
            frame = cv::Mat(height * 3 / 2, width, CV_8UC1, src);
            code = pixel_format == V4L2_PIX_FMT_YUV420   ? cv::COLOR_YUV2BGR_I420
                   : pixel_format == V4L2_PIX_FMT_YVU420 ? cv::COLOR_YUV2BGR_YV12
                                                         : cv::COLOR_YUV2BGR_NV12;
            break;
        default:
            return false;
    }
    if (code >= 0) {
        cv::cvtColor(frame, scratch.upright, code);
        frame = scratch.upright;
    }
    cv::Mat bottom_up(height, width, CV_8UC3, out);
    cv::flip(frame, bottom_up, 0);
    return true;
}

}  // namespace

JpegDecoder::JpegDecoder() : handle_(tjInitDecompress()) {}

JpegDecoder::~JpegDecoder() {
    if (handle_) tjDestroy(handle_);
}

bool JpegDecoder::decode_bottom_up(const uint8_t* data, size_t size, int width, int height, uint8_t* out) {
    if (!handle_ || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    int w = 0, h = 0, subsampling = 0, colorspace = 0;
    const auto length = static_cast<unsigned long>(size);
    if (tjDecompressHeader3(handle_, data, length, &w, &h, &subsampling, &colorspace) != 0) return false;
    if (w != width || h != height) return false;
    // A warning (a frame cut short, a damaged entropy segment) counts as damage too.
    return tjDecompress2(handle_, data, length, out, width, width * 3, height, TJPF_BGR, TJFLAG_BOTTOMUP) ==
           0;
}

bool can_convert_to_bgr(uint32_t pixel_format) {
    switch (pixel_format) {
        case V4L2_PIX_FMT_BGR24:
        case V4L2_PIX_FMT_RGB24:
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
        case V4L2_PIX_FMT_GREY:
        case V4L2_PIX_FMT_YUV420:
        case V4L2_PIX_FMT_YVU420:
        case V4L2_PIX_FMT_NV12:
        case V4L2_PIX_FMT_MJPEG:
        case V4L2_PIX_FMT_JPEG:
            return true;
        default:
            return false;
    }
}

bool convert_to_bottom_up_bgr(uint32_t pixel_format, const uint8_t* data, size_t used, int width, int height,
                              int stride, uint8_t* out, ConversionScratch& scratch) {
    // Runs on the streaming thread, where an escaping exception would end the process.
    try {
        return convert_frame(pixel_format, data, used, width, height, stride, out, scratch);
    } catch (const cv::Exception&) {
        return false;
    }
}

}  // namespace capture
