#pragma once
// The native camera seam under the capture library: a back end lists the cameras and opens one
// into a session, which offers the camera's formats and sizes, streams frames into a sink and has
// the camera's controls. The simulated and the V4L2 back ends implement it; capture/backend.h
// picks one.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "capture/fault_plan.h"

namespace capture {

// A four-character code of a pixel format, read as a little-endian number (V4L2's codes).
constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

// One camera as a back end lists it.
struct CameraInfo {
    std::optional<std::string> name;         // its own name; without one it can't be bound
    std::optional<std::string> description;  // listed when it has no name
    bool names_readable = true;              // false: left out of the listing, yet it takes its position
    std::string identity;                    // stays with the camera across replugs and reboots (its port)
    std::string path;                        // where it is opened
    std::string location;                    // where it is plugged in, shown in the listing; may be empty
    std::string problem;  // why it can't be opened, shown in the listing; empty when it can
};

// The pixel format and size a camera streams in.
struct VideoFormat {
    uint32_t subtype = 0;
    int width = 0, height = 0;
    int64_t frame_time = 0;  // time per frame in 100 ns units; 0: the camera's own
};

// One entry of a camera's format list: a pixel format over a range of sizes in steps (a fixed
// size has minimum = maximum).
struct FormatRange {
    uint32_t subtype = 0;
    int min_width = 0, min_height = 0, max_width = 0, max_height = 0;
    int step_x = 1, step_y = 1;
};

// The video-processing properties (brightness 0 ... gain 9) followed by the camera-control
// properties (pan 0 ... focus 6), in the library's numbering.
enum class Control {
    brightness,
    contrast,
    hue,
    saturation,
    sharpness,
    gamma,
    color_enable,
    white_balance,
    backlight_compensation,
    gain,
    pan,
    tilt,
    roll,
    zoom,
    exposure,
    iris,
    focus
};
inline constexpr int kControlCount = static_cast<int>(Control::focus) + 1;
// The control of video-processing property 0..9 or camera-control property 0..6.
std::optional<Control> proc_amp_control(int32_t property);
std::optional<Control> camera_control(int32_t property);
// The control's name on the command line and in listings ("brightness", "white_balance", ...).
const char* control_name(Control id);
// The control of that name; nullopt for any other text.
std::optional<Control> control_by_name(std::string_view name);
// A video-processing control (brightness ... gain), as opposed to a camera control (pan ... focus).
inline bool is_proc_amp(Control id) { return static_cast<int>(id) < 10; }
// Its number within its family: 0..9 for video processing, 0..6 for camera controls.
inline int32_t property_of(Control id) { return static_cast<int32_t>(id) - (is_proc_amp(id) ? 0 : 10); }

struct ControlInfo {
    Control id = Control::brightness;
    int32_t min = 0, max = 0, step = 0, default_value = 0, value = 0;
    bool has_auto = false;   // the camera can set it by itself
    bool automatic = false;  // and does so now
};

// Analog capture cards: the physical connector types of the crossbar's inputs and outputs.
struct Crossbar {
    std::vector<int32_t> inputs, outputs;
};

// Where a session's frames go: 24-bit BGR, rows bottom-up, no gaps, `bytes` long, captured at
// `time` on the steady clock. Called on the session's streaming thread, one frame at a time; data
// is null when the frame's memory can't be had.
class FrameSink {
public:
    virtual void on_frame(const uint8_t* data, int32_t bytes, std::chrono::steady_clock::time_point time) = 0;

protected:
    ~FrameSink() = default;
};

// One opened camera. Destroying it stops its stream.
class CameraSession {
public:
    virtual ~CameraSession() = default;

    virtual std::vector<FormatRange> formats() = 0;
    // The current format; nullopt when it can't be read.
    virtual std::optional<VideoFormat> format() = 0;
    // True when the camera took exactly this format (with its frame time, if any); otherwise the
    // format stays as it was.
    virtual bool set_format(const VideoFormat& format) = 0;
    // Frames go to the sink from now until stop; false (the back end has said why on the error
    // stream) when the stream can't start.
    virtual bool start(FrameSink& sink) = 0;
    // When it returns, no call on the sink runs any more.
    virtual void stop() = 0;

    // The control as it is now; nullopt when the camera lacks it.
    virtual std::optional<ControlInfo> control(Control id) = 0;
    // With automatic on a control the camera can set by itself, it does so from now on (value is
    // ignored); otherwise it is set manually to value.
    virtual std::error_code set_control(Control id, int32_t value, bool automatic) = 0;
    // Every control the camera has.
    std::vector<ControlInfo> controls();

    virtual std::optional<Crossbar> crossbar() { return std::nullopt; }  // none: a webcam
    virtual bool route(int32_t output, int32_t input);
    // The video standards the decoder takes (a mask); none: no analog decoder.
    virtual std::optional<int32_t> video_standards() { return std::nullopt; }
    virtual bool set_video_standard(int32_t standard);
};

class CameraBackend {
public:
    virtual ~CameraBackend() = default;

    // The cameras present now, in an order that keeps each camera at its place.
    virtual std::vector<CameraInfo> list_cameras() = 0;
    // The camera opened for capture; null (the back end has said why on the error stream) when it
    // can't be.
    virtual std::unique_ptr<CameraSession> open(const CameraInfo& camera) = 0;

    // Failures on demand for the library's steps, shared by the library objects on this back end.
    FaultPlan& faults() { return faults_; }

private:
    FaultPlan faults_;
};

}  // namespace capture
