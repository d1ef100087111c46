#include "capture/media/v4l2/frame_conversion.h"

#include <linux/videodev2.h>

#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace media::v4l2 {
namespace {

// Bytes a packed frame needs: every line but the last in full, the last up to its pixels.
bool long_enough(size_t used, int height, int stride, int line_bytes) {
    return stride >= line_bytes && used >= static_cast<size_t>(height - 1) * static_cast<size_t>(stride) +
                                               static_cast<size_t>(line_bytes);
}

}  // namespace

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

static bool convert_frame(uint32_t pixel_format, const uint8_t* data, size_t used, int width, int height,
                          int stride, uint8_t* out, cv::Mat& scratch) {
    if (!data || !out || width <= 0 || height <= 0) return false;
    cv::Mat bgr(height, width, CV_8UC3, out);
    auto* src = const_cast<uint8_t*>(data);  // OpenCV headers over the driver's buffer, read only
    const size_t line = static_cast<size_t>(width) * 3;

    switch (pixel_format) {
        case V4L2_PIX_FMT_BGR24:
            if (!long_enough(used, height, stride, width * 3)) return false;
            // Straight into place bottom-up: one pass, no second flip.
            for (int y = 0; y < height; ++y)
                std::memcpy(out + static_cast<size_t>(height - 1 - y) * line,
                            data + static_cast<size_t>(y) * stride, line);
            return true;
        case V4L2_PIX_FMT_RGB24:
            if (!long_enough(used, height, stride, width * 3)) return false;
            cv::cvtColor(cv::Mat(height, width, CV_8UC3, src, static_cast<size_t>(stride)), bgr,
                         cv::COLOR_RGB2BGR);
            break;
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
            if (width % 2 != 0 || !long_enough(used, height, stride, width * 2)) return false;
            cv::cvtColor(cv::Mat(height, width, CV_8UC2, src, static_cast<size_t>(stride)), bgr,
                         pixel_format == V4L2_PIX_FMT_YUYV ? cv::COLOR_YUV2BGR_YUYV : cv::COLOR_YUV2BGR_UYVY);
            break;
        case V4L2_PIX_FMT_GREY:
            if (!long_enough(used, height, stride, width)) return false;
            cv::cvtColor(cv::Mat(height, width, CV_8UC1, src, static_cast<size_t>(stride)), bgr,
                         cv::COLOR_GRAY2BGR);
            break;
        case V4L2_PIX_FMT_YUV420:
        case V4L2_PIX_FMT_YVU420:
        case V4L2_PIX_FMT_NV12: {
            // Planar layouts are read as one block of 3/2 height lines of `width` bytes.
            if (width % 2 != 0 || height % 2 != 0 || stride != width) return false;
            if (used < static_cast<size_t>(width) * static_cast<size_t>(height) * 3 / 2) return false;
            int code = pixel_format == V4L2_PIX_FMT_YUV420   ? cv::COLOR_YUV2BGR_I420
                       : pixel_format == V4L2_PIX_FMT_YVU420 ? cv::COLOR_YUV2BGR_YV12
                                                             : cv::COLOR_YUV2BGR_NV12;
            cv::cvtColor(cv::Mat(height * 3 / 2, width, CV_8UC1, src), bgr, code);
            break;
        }
        case V4L2_PIX_FMT_MJPEG:
        case V4L2_PIX_FMT_JPEG: {
            // Only JPEG data goes to the decoder: a damaged frame must not wander through every
            // other picture format the image library knows.
            if (used < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
            cv::Mat encoded(1, static_cast<int>(used), CV_8UC1, src);
            cv::imdecode(encoded, cv::IMREAD_COLOR, &scratch);
            if (scratch.empty() || scratch.cols != width || scratch.rows != height ||
                scratch.type() != CV_8UC3)
                return false;
            cv::flip(scratch, bgr, 0);
            return true;
        }
        default:
            return false;
    }
    cv::flip(bgr, bgr, 0);
    return true;
}

bool convert_to_bottom_up_bgr(uint32_t pixel_format, const uint8_t* data, size_t used, int width, int height,
                              int stride, uint8_t* out, cv::Mat& scratch) {
    // Runs on the streaming thread, where an escaping exception would end the process.
    try {
        return convert_frame(pixel_format, data, used, width, height, stride, out, scratch);
    } catch (const cv::Exception&) {
        return false;
    }
}

}  // namespace media::v4l2
