#pragma once
// Everything a simulated camera is scripted with: its names, formats and which it takes, its
// analog parts, its controls, and how it delivers frames.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "capture/camera_backend.h"
#include "capture/subtypes.h"

namespace capture {

// Writes one frame: width x height pixels of 24-bit BGR, rows bottom-up, no gaps.
using SimPainter = std::function<void(uint64_t frame_index, int width, int height, uint8_t* bgr)>;

struct SimDeviceConfig {
    // The camera's names; nullopt: it has no such name.
    std::optional<std::string> friendly_name = "Simulated Camera";
    std::optional<std::string> description;
    bool names_unreadable = false;  // the listing skips the camera

    // The format the camera starts with.
    int width = 640, height = 480;
    uint32_t subtype = subtype::YUY2;
    int64_t avg_time_per_frame = 333333;
    std::vector<FormatRange> capabilities;
    // Whether a size and subtype are taken; unset: when a capability covers them.
    std::function<bool(int width, int height, uint32_t subtype)> accepts;

    // Analog parts: crossbar pins by physical type (none: a webcam), decoder standards.
    std::vector<int32_t> crossbar_inputs;
    std::vector<int32_t> crossbar_outputs;
    std::optional<int32_t> tv_formats;
    bool put_tv_format_fails = false;

    // What the camera can be set to. Brightness adds (value - default) to every byte; contrast
    // scales the distance from 128, saturation the distance from the pixel's grey, and gain and a
    // manual exposure the bytes themselves, each by value / default.
    std::map<Control, ControlInfo> controls;

    // Delivery: frames per second, 0 = only the frames released with SimDevice::deliver.
    double frames_per_second = 30;
    int stall_after = -1;         // a stream delivers this many frames, then nothing; -1 never
    int stall_ms = -1;            // ... for this long, then it delivers on; -1 for good
    int sample_length_delta = 0;  // frames this many bytes longer (or shorter) than they should be
    bool pointer_fails = false;   // the frames' memory can't be had
    SimPainter painter;           // unset: a test pattern that changes with every frame
};

// The test pattern: byte i of frame f is (i + 7 f) mod 251.
void paint_test_pattern(uint64_t frame_index, int width, int height, uint8_t* bgr);

}  // namespace capture
