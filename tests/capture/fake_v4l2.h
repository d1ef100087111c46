#pragma once
// A scripted V4L2 device layer for the back end's tests: USB cameras with their ports, formats,
// sizes, controls and frames, and faults on demand (a failed open, an ioctl failing with any
// errno, flagged buffers, fewer buffers than asked for, no USB bandwidth for raw frames, a camera
// unplugged mid-stream). Frames come only when the test releases them.

#include <linux/videodev2.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "capture/v4l2/v4l2_ops.h"

namespace capture_test {

// A pixel format with its discrete sizes, or one stepwise (or continuous) range.
struct FakeFormat {
    uint32_t pixel_format = V4L2_PIX_FMT_YUYV;
    std::vector<std::pair<int, int>> sizes;
    struct Range {
        int min_width, min_height, max_width, max_height, step_width, step_height;
        bool continuous = false;
    };
    std::optional<Range> range;
};

struct FakeControl {
    int32_t minimum = 0, maximum = 255, step = 1, default_value = 128, value = 128;
    uint32_t type = V4L2_CTRL_TYPE_INTEGER;
    std::vector<int32_t> refused_values;  // S_CTRL answers EINVAL for these (missing menu items)
};

// Writes frame `index` (pixel_format, rows top-down, `stride` bytes apart, at most `capacity`
// bytes) and returns the number of bytes used.
using FakePainter = std::function<size_t(uint64_t index, uint32_t pixel_format, int width, int height,
                                         int stride, uint8_t* data, size_t capacity)>;

// Line y of frame f holds byte (x + 3 y + 11 f) mod 256 at position x of the line's pixel bytes,
// 0xEE in the padding; MJPEG frames are real JPEG pictures of jpeg_picture.
size_t paint_fake_pattern(uint64_t index, uint32_t pixel_format, int width, int height, int stride,
                          uint8_t* data, size_t capacity);
// Bytes of pixel data in one line of the format (3, 2 or 1 per pixel).
int line_bytes(uint32_t pixel_format, int width);
// The picture MJPEG frames show: the left half red, the right half blue, as BGR rows top-down.
std::vector<uint8_t> jpeg_picture(int width, int height);
// The picture compressed, as a camera's MJPEG frame.
std::vector<uint8_t> jpeg_bytes(const std::vector<uint8_t>& bgr, int width, int height);

struct FakeCameraConfig {
    std::string card = "Fake Camera";
    std::string driver = "uvcvideo";
    std::string port = "1";  // USB port path ("2", "1.3" behind a hub); empty: not on USB
    int index = 0;           // the node's place on its device
    uint32_t device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    std::vector<FakeFormat> formats;
    uint32_t pixel_format = V4L2_PIX_FMT_YUYV;
    int width = 640, height = 480;
    int line_padding = 0;  // bytes after each line
    bool time_per_frame = true;
    std::map<uint32_t, FakeControl> controls;
    std::set<uint32_t> disabled_controls;  // listed with V4L2_CTRL_FLAG_DISABLED
    FakePainter painter = paint_fake_pattern;
    uint32_t max_buffers = 8;           // REQBUFS grants at most this many
    bool no_bandwidth_for_raw = false;  // STREAMON fails with ENOSPC unless the format is MJPEG
    std::set<uint64_t> flagged_frames;  // come with V4L2_BUF_FLAG_ERROR
};

class FakeV4l2 final : public capture::V4l2Ops {
public:
    void add_camera(const std::string& path, FakeCameraConfig config);
    // Opens of the node fail with this errno (0: they work again).
    void fail_open(const std::string& path, int error);
    // The next `times` calls of the ioctl on the node fail with `error` (-1: every call).
    void fail_ioctl(const std::string& path, unsigned long request, int error, int times = -1);
    // Lets `frames` more frames out of the node.
    void deliver(const std::string& path, int frames = 1);
    // The camera is pulled out: it leaves the listing and every call on it fails with ENODEV.
    void unplug(const std::string& path);
    // Another program takes the camera's buffer queue (its format can't change, nobody else
    // can stream) until release_queue.
    void hold_queue(const std::string& path);
    void release_queue(const std::string& path);

    int open_descriptors() const;
    int mapped_buffers() const;
    int opens(const std::string& path) const;
    bool streaming(const std::string& path) const;
    size_t buffers(const std::string& path) const;
    // Current pixel format, width, height.
    std::tuple<uint32_t, int, int> format(const std::string& path) const;
    v4l2_fract time_per_frame(const std::string& path) const;
    int32_t control(const std::string& path, uint32_t id) const;
    int calls(const std::string& path, unsigned long request) const;
    // The /dev/v4l/by-path name of the node.
    static std::string by_path(const FakeCameraConfig& config);

    std::vector<capture::V4l2NodeInfo> video_nodes() override;
    std::string resolve(const std::string& path) override;
    int open(const std::string& path) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    int mmap(int fd, size_t length, int64_t offset, void** address) override;
    int munmap(void* address, size_t length) override;
    int poll(int fd, int timeout_ms) override;

private:
    struct Buffer {
        std::vector<uint8_t> data;
        bool queued = false;
    };
    struct Failure {
        int error = 0;
        int remaining = 0;
    };
    struct Camera {
        FakeCameraConfig config;
        uint32_t pixel_format = 0;
        int width = 0, height = 0;
        v4l2_fract time_per_frame{1, 30};
        int open_error = 0;
        int opens = 0;
        bool unplugged = false;
        int queue_owner = -1;  // descriptor that holds the buffers, -2 another program
        bool streaming = false;
        std::vector<std::unique_ptr<Buffer>> buffers;
        int mapped = 0;
        int permits = 0;
        uint64_t frames = 0;
        std::map<unsigned long, Failure> failures;
        std::map<unsigned long, int> calls;
    };

    Camera& camera(const std::string& path);
    const Camera& camera(const std::string& path) const;
    Camera* camera_of(int fd);
    int handle(Camera& c, int fd, unsigned long request, void* arg);
    int handle_buffer(Camera& c, int fd, unsigned long request, v4l2_buffer& b);
    void fill_format(const Camera& c, v4l2_pix_format& pix) const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Camera> cameras_;
    std::map<int, std::string> descriptors_;
    int next_fd_ = 3;
    int mapped_ = 0;
};

}  // namespace capture_test
