#pragma once
// One opened V4L2 camera: its formats and sizes as the driver lists them, its controls, and
// frames streamed through memory-mapped buffers on a thread of its own, converted to 24-bit BGR
// with rows bottom-up. A damaged frame is dropped with a counted warning; a run of errors restarts
// the stream; a camera that is gone stops delivering until the session is stopped.

#include <optional>
#include <thread>
#include <vector>

#include "capture/camera_backend.h"
#include "capture/v4l2/frame_conversion.h"
#include "capture/v4l2/v4l2_node.h"

struct v4l2_buffer;

namespace capture {

class V4l2Session final : public CameraSession {
public:
    explicit V4l2Session(V4l2Node node);
    ~V4l2Session() override;

    // One entry per pixel format and fixed size, or per pixel format and range of sizes.
    std::vector<FormatRange> formats() override;
    std::optional<VideoFormat> format() override;
    // Refused without asking the camera when it does not list the format; otherwise one S_FMT.
    bool set_format(const VideoFormat& format) override;
    // Without USB bandwidth left for the current format, MJPEG at the same size is tried once.
    bool start(FrameSink& sink) override;
    void stop() override;
    std::optional<ControlInfo> control(Control id) override;
    std::error_code set_control(Control id, int32_t value, bool automatic) override;

private:
    struct Buffer {
        void* data = nullptr;
        size_t length = 0;
    };

    bool offered(const VideoFormat& format);
    // S_FMT: 0 and the format the driver chose, or -errno.
    int set_pixel_format(uint32_t pixel_format, int width, int height, VideoFormat& chosen);
    void ask_frame_interval(int64_t frame_time);
    // Buffers requested, mapped and queued, stream on: 0 or -errno (everything undone then).
    int open_stream();
    void close_stream();
    // Stream off and on again with every buffer queued: 0 or -errno.
    int restart_stream();
    void stream(std::stop_token stop, FrameSink& sink);
    // Handles one dequeued buffer: true when a frame went to the sink.
    bool deliver(const v4l2_buffer& buffer, FrameSink& sink);

    V4l2Node node_;
    std::optional<std::vector<FormatRange>> formats_;
    // The stream, set up by start; used by the streaming thread while it runs.
    uint32_t pixel_format_ = 0;
    int width_ = 0, height_ = 0, stride_ = 0;
    bool queue_ = false;  // buffers requested
    std::vector<Buffer> buffers_;
    std::vector<uint8_t> frame_;
    ConversionScratch scratch_;
    int damaged_ = 0;
    std::jthread thread_;
};

}  // namespace capture
