#pragma once
// Everything a simulated camera is scripted with: its names, formats and capabilities, which
// formats it takes, its analog parts, and how it delivers frames.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "capture/media/guid.h"

namespace media::simulated {

// One capability record: a subtype offered over a range of sizes.
struct SimCapability {
    Guid subtype = MEDIASUBTYPE_RGB24;
    int min_width = 0, min_height = 0;
    int max_width = 0, max_height = 0;
    int granularity_x = 1, granularity_y = 1;
};

// One camera or video-processing property.
struct SimProperty {
    int32_t min = 0, max = 255, step = 1, default_value = 128, capabilities = 3;
    int32_t value = 128, flags = 2;
};

// Writes one frame: width x height pixels of 24-bit BGR, rows bottom-up, no gaps.
using SimPainter = std::function<void(uint64_t frame_index, int width, int height, uint8_t* bgr)>;

struct SimDeviceConfig {
    // Names in the device's property bag; nullopt: the bag has no such entry.
    std::optional<std::u16string> friendly_name = u"Simulated Camera";
    std::optional<std::u16string> description;
    bool property_bag_fails = false;  // the bag can't be bound: enumeration skips the device

    bool preview_pin = true;     // false: only a capture pin
    bool stream_config = true;   // false: no stream format interface on the pins
    bool get_format_fails = false;

    // The format the device starts with.
    int width = 640, height = 480;
    Guid subtype = MEDIASUBTYPE_YUY2;
    int64_t avg_time_per_frame = 333333;
    std::vector<SimCapability> capabilities;
    int capability_record_size = 128;
    // Whether SetFormat takes a size and subtype; unset: when a capability covers it.
    std::function<bool(int width, int height, const Guid& subtype)> accepts;

    // Analog parts: crossbar pins by physical type (none: a webcam), decoder standards.
    std::vector<int32_t> crossbar_inputs;
    std::vector<int32_t> crossbar_outputs;
    std::optional<int32_t> tv_formats;
    bool put_tv_format_fails = false;

    std::map<int32_t, SimProperty> proc_amp;
    std::map<int32_t, SimProperty> camera_control;

    // Delivery: frames per second, 0 = only the frames released with SimDevice::deliver.
    double frames_per_second = 30;
    int stall_after = -1;          // a stream delivers this many frames, then nothing; -1 never
    int sample_length_delta = 0;   // samples this many bytes longer (or shorter) than a frame
    bool pointer_fails = false;    // the samples' data pointer can't be had
    SimPainter painter;            // unset: a test pattern that changes with every frame
};

// The test pattern: byte i of frame f is (i + 7 f) mod 251.
void paint_test_pattern(uint64_t frame_index, int width, int height, uint8_t* bgr);

}  // namespace media::simulated
