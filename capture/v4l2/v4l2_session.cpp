#include "capture/v4l2/v4l2_session.h"

#include <linux/videodev2.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <numeric>
#include <string>

#include "capture/v4l2/v4l2_controls.h"
#include "platform/console.h"

namespace capture {
namespace {

constexpr uint32_t kBufferCount = 4;
// poll() is called in slices of this length so that a stop request is seen promptly.
constexpr int kPollSliceMs = 50;
// Errors in a row (EIO, flagged buffers) before the stream is started again, and restarts
// without a frame in between before the camera counts as gone.
constexpr int kErrorsBeforeRestart = 5;
constexpr int kRestartsBeforeGivingUp = 3;
// Guards against drivers (or scripts) whose enumerations never end.
constexpr uint32_t kMaxFormats = 64;
constexpr uint32_t kMaxSizes = 256;

std::string fourcc_text(uint32_t code) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) text += static_cast<char>((code >> shift) & 0xFF);
    return text;
}

v4l2_buffer mmap_buffer(uint32_t index = 0) {
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    b.index = index;
    return b;
}

// Bytes per line when the driver leaves it to us.
int default_stride(uint32_t pixel_format, int width) {
    switch (pixel_format) {
        case V4L2_PIX_FMT_BGR24:
        case V4L2_PIX_FMT_RGB24:
            return width * 3;
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
            return width * 2;
        default:
            return width;
    }
}

// The buffer's timestamp on the steady clock when the driver took it from the monotonic clock
// (as good drivers do), else the time it was dequeued.
std::chrono::steady_clock::time_point capture_time(const v4l2_buffer& b) {
    if ((b.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) != V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC)
        return std::chrono::steady_clock::now();
    const auto since_boot =
        std::chrono::seconds(b.timestamp.tv_sec) + std::chrono::microseconds(b.timestamp.tv_usec);
    return std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(since_boot));
}

void wait_for_stop(std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait(lock, stop, [] { return false; });
}

}  // namespace

V4l2Session::V4l2Session(V4l2Node node) : node_(std::move(node)) {}

V4l2Session::~V4l2Session() { stop(); }

std::vector<FormatRange> V4l2Session::formats() {
    if (formats_) return *formats_;
    formats_.emplace();
    const std::optional<VideoFormat> current = format();
    for (uint32_t i = 0; i < kMaxFormats; ++i) {
        v4l2_fmtdesc desc{};
        desc.index = i;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (node_.xioctl(VIDIOC_ENUM_FMT, &desc) != 0) break;
        bool any_size = false;
        for (uint32_t j = 0; j < kMaxSizes; ++j) {
            v4l2_frmsizeenum size{};
            size.index = j;
            size.pixel_format = desc.pixelformat;
            if (node_.xioctl(VIDIOC_ENUM_FRAMESIZES, &size) != 0) break;
            any_size = true;
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                const int w = static_cast<int>(size.discrete.width);
                const int h = static_cast<int>(size.discrete.height);
                formats_->push_back(FormatRange{desc.pixelformat, w, h, w, h, 1, 1});
                continue;
            }
            // A range is one entry; continuous ranges go in steps of one pixel.
            const v4l2_frmsize_stepwise& s = size.stepwise;
            const bool continuous = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS;
            formats_->push_back(FormatRange{desc.pixelformat, static_cast<int>(s.min_width),
                                            static_cast<int>(s.min_height), static_cast<int>(s.max_width),
                                            static_cast<int>(s.max_height),
                                            continuous ? 1 : static_cast<int>(s.step_width),
                                            continuous ? 1 : static_cast<int>(s.step_height)});
            break;
        }
        // A driver that lists no sizes still has the one it runs at.
        if (!any_size && current && current->subtype == desc.pixelformat)
            formats_->push_back(FormatRange{desc.pixelformat, current->width, current->height, current->width,
                                            current->height, 1, 1});
    }
    return *formats_;
}

std::optional<VideoFormat> V4l2Session::format() {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (node_.xioctl(VIDIOC_G_FMT, &f) != 0) return std::nullopt;
    VideoFormat current{f.fmt.pix.pixelformat, static_cast<int>(f.fmt.pix.width),
                        static_cast<int>(f.fmt.pix.height), 0};
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    const v4l2_fract& t = p.parm.capture.timeperframe;
    if (node_.xioctl(VIDIOC_G_PARM, &p) == 0 && (p.parm.capture.capability & V4L2_CAP_TIMEPERFRAME) &&
        t.denominator)
        current.frame_time = static_cast<int64_t>(t.numerator) * 10000000 / t.denominator;
    return current;
}

bool V4l2Session::offered(const VideoFormat& f) {
    auto on_step = [](int v, int lo, int hi, int step) {
        return v >= lo && v <= hi && (v - lo) % std::max(step, 1) == 0;
    };
    const std::vector<FormatRange> all = formats();
    return std::any_of(all.begin(), all.end(), [&](const FormatRange& r) {
        return r.subtype == f.subtype && on_step(f.width, r.min_width, r.max_width, r.step_x) &&
               on_step(f.height, r.min_height, r.max_height, r.step_y);
    });
}

int V4l2Session::set_pixel_format(uint32_t pixel_format, int width, int height, VideoFormat& chosen) {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.width = static_cast<uint32_t>(width);
    f.fmt.pix.height = static_cast<uint32_t>(height);
    f.fmt.pix.pixelformat = pixel_format;
    f.fmt.pix.field = V4L2_FIELD_ANY;
    const int r = node_.xioctl(VIDIOC_S_FMT, &f);
    chosen = VideoFormat{f.fmt.pix.pixelformat, static_cast<int>(f.fmt.pix.width),
                         static_cast<int>(f.fmt.pix.height), 0};
    return r;
}

bool V4l2Session::set_format(const VideoFormat& want) {
    // Each S_FMT is a negotiation with the camera: only formats it lists are asked for.
    if (thread_.joinable() || !offered(want)) return false;
    const std::optional<VideoFormat> before = format();
    VideoFormat chosen;
    if (set_pixel_format(want.subtype, want.width, want.height, chosen) != 0) return false;
    if (chosen.subtype != want.subtype || chosen.width != want.width || chosen.height != want.height) {
        if (before) set_pixel_format(before->subtype, before->width, before->height, chosen);
        return false;
    }
    ask_frame_interval(want.frame_time);
    return true;
}

void V4l2Session::ask_frame_interval(int64_t frame_time) {
    if (frame_time <= 0) return;
    const int64_t units = std::min<int64_t>(frame_time, UINT32_MAX);
    const int64_t common = std::gcd(units, int64_t{10000000});
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    p.parm.capture.timeperframe.numerator = static_cast<uint32_t>(units / common);
    p.parm.capture.timeperframe.denominator = static_cast<uint32_t>(10000000 / common);
    node_.xioctl(VIDIOC_S_PARM, &p);  // the nearest rate the camera has is good enough
}

bool V4l2Session::start(FrameSink& sink) {
    if (thread_.joinable()) return true;
    const char* path = node_.path().c_str();
    int r = open_stream();
    if (r == -ENOSPC && pixel_format_ != V4L2_PIX_FMT_MJPEG &&
        offered({V4L2_PIX_FMT_MJPEG, width_, height_, 0})) {
        // Two cameras of raw frames seldom fit on one USB 2 bus; compressed ones do.
        platform::console_error_printf(
            "%s: no USB bandwidth left for %s %d x %d - trying MJPEG at that size\n", path,
            fourcc_text(pixel_format_).c_str(), width_, height_);
        VideoFormat chosen;
        r = set_pixel_format(V4L2_PIX_FMT_MJPEG, width_, height_, chosen);
        if (r == 0) r = open_stream();
    }
    if (r != 0) {
        // The library says only that the device did not start; the reason (busy, no USB bandwidth
        // left ...) is the user's best clue.
        platform::console_error_printf(
            "%s: cannot start streaming: %s\n", path,
            r == -EPROTONOSUPPORT
                ? ("frames in " + fourcc_text(pixel_format_) + " can't be converted").c_str()
                : std::strerror(-r));
        return false;
    }
    damaged_ = 0;
    thread_ = std::jthread([this, &sink](std::stop_token stop) { stream(stop, sink); });
    return true;
}

void V4l2Session::stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
    close_stream();
}

int V4l2Session::open_stream() {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (int r = node_.xioctl(VIDIOC_G_FMT, &f); r != 0) return r;
    pixel_format_ = f.fmt.pix.pixelformat;
    width_ = static_cast<int>(f.fmt.pix.width);
    height_ = static_cast<int>(f.fmt.pix.height);
    stride_ = f.fmt.pix.bytesperline ? static_cast<int>(f.fmt.pix.bytesperline)
                                     : default_stride(pixel_format_, width_);
    if (!can_convert_to_bgr(pixel_format_)) return -EPROTONOSUPPORT;

    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (int r = node_.xioctl(VIDIOC_REQBUFS, &request); r != 0) return r;
    queue_ = true;  // from here on close_stream undoes what was done
    int r = request.count == 0 ? -ENOMEM : 0;
    for (uint32_t i = 0; r == 0 && i < request.count; ++i) {
        v4l2_buffer b = mmap_buffer(i);
        void* data = nullptr;
        if ((r = node_.xioctl(VIDIOC_QUERYBUF, &b)) != 0 ||
            (r = node_.ops().mmap(node_.fd(), b.length, b.m.offset, &data)) != 0)
            break;
        buffers_.push_back(Buffer{data, b.length});
        r = node_.xioctl(VIDIOC_QBUF, &b);
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (r == 0) r = node_.xioctl(VIDIOC_STREAMON, &type);
    if (r != 0) {
        close_stream();
        return r;
    }
    frame_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
    return 0;
}

void V4l2Session::close_stream() {
    if (!queue_) return;
    // Errors are expected here when the camera has gone; everything is let go of regardless.
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    node_.xioctl(VIDIOC_STREAMOFF, &type);
    for (const Buffer& b : buffers_) node_.ops().munmap(b.data, b.length);
    buffers_.clear();
    v4l2_requestbuffers request{};
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    node_.xioctl(VIDIOC_REQBUFS, &request);
    queue_ = false;
}

int V4l2Session::restart_stream() {
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    int r = node_.xioctl(VIDIOC_STREAMOFF, &type);  // takes every buffer back
    for (uint32_t i = 0; r == 0 && i < buffers_.size(); ++i) {
        v4l2_buffer b = mmap_buffer(i);
        r = node_.xioctl(VIDIOC_QBUF, &b);
    }
    return r == 0 ? node_.xioctl(VIDIOC_STREAMON, &type) : r;
}

void V4l2Session::stream(std::stop_token stop, FrameSink& sink) {
    const char* path = node_.path().c_str();
    int errors = 0;    // in a row
    int restarts = 0;  // since the last frame
    while (!stop.stop_requested()) {
        const int events = node_.ops().poll(node_.fd(), kPollSliceMs);
        if (events == 0 || events == -EINTR) continue;
        int error = events < 0 ? -events : (events & POLLHUP) ? ENODEV : 0;
        v4l2_buffer b = mmap_buffer();
        if (error == 0) {
            const int r = node_.xioctl(VIDIOC_DQBUF, &b);
            if (r == -EAGAIN && !(events & POLLERR)) continue;
            error = r == 0 && b.index >= buffers_.size() ? EINVAL : -r;
        }
        if (error == 0) {
            const bool flagged = b.flags & V4L2_BUF_FLAG_ERROR;
            if (!flagged && deliver(b, sink)) restarts = 0;
            const int r = node_.xioctl(VIDIOC_QBUF, &b);
            error = r != 0 ? -r : flagged ? EIO : 0;
            if (error == 0) errors = 0;
        }
        if (error == 0) continue;
        if (error != ENODEV && ++errors < kErrorsBeforeRestart) continue;  // EIO and the like: go on
        if (error != ENODEV && restarts++ < kRestartsBeforeGivingUp) {
            errors = 0;
            platform::console_error_printf("%s: %s %d times in a row - starting the stream again\n", path,
                                           std::strerror(error), kErrorsBeforeRestart);
            const int r = restart_stream();
            if (r == 0) continue;
            error = -r;
        }
        // The camera is gone (or won't stream again): nothing more comes until stop.
        platform::console_error_printf("%s: %s - no more frames\n", path, std::strerror(error));
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        node_.xioctl(VIDIOC_STREAMOFF, &type);
        wait_for_stop(stop);
    }
}

bool V4l2Session::deliver(const v4l2_buffer& b, FrameSink& sink) {
    const Buffer& mapped = buffers_[b.index];
    const size_t used = std::min<size_t>(b.bytesused, mapped.length);
    if (!convert_to_bottom_up_bgr(pixel_format_, static_cast<const uint8_t*>(mapped.data), used, width_,
                                  height_, stride_, frame_.data(), scratch_)) {
        // A damaged frame is dropped, as the camera would drop it; the count tells how often.
        ++damaged_;
        if (damaged_ == 1 || damaged_ % 100 == 0)
            platform::console_error_printf("%s: damaged %s frame dropped (%d so far)\n", node_.path().c_str(),
                                           fourcc_text(pixel_format_).c_str(), damaged_);
        return false;
    }
    sink.on_frame(frame_.data(), static_cast<int32_t>(frame_.size()), capture_time(b));
    return true;
}

std::optional<ControlInfo> V4l2Session::control(Control id) { return read_control(node_, id); }

std::error_code V4l2Session::set_control(Control id, int32_t value, bool automatic) {
    return write_control(node_, id, value, automatic);
}

}  // namespace capture
