#pragma once
// The capability record of a stream format (published layout, 128 bytes). The closest-size search
// reads the output size range and the output granularity.

#include <cstdint>

#include "capture/media/guid.h"

namespace media {

struct SIZE {
    int32_t cx = 0, cy = 0;
};

struct VIDEO_STREAM_CONFIG_CAPS {
    Guid guid;
    uint32_t video_standard = 0;
    SIZE input_size;
    SIZE min_cropping_size;
    SIZE max_cropping_size;
    int32_t crop_granularity_x = 0, crop_granularity_y = 0;
    int32_t crop_align_x = 0, crop_align_y = 0;
    SIZE min_output_size;
    SIZE max_output_size;
    int32_t output_granularity_x = 0, output_granularity_y = 0;
    int32_t stretch_taps_x = 0, stretch_taps_y = 0;
    int32_t shrink_taps_x = 0, shrink_taps_y = 0;
    int64_t min_frame_interval = 0, max_frame_interval = 0;
    int32_t min_bits_per_second = 0, max_bits_per_second = 0;
};
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128, "the capability record is 128 bytes");

// The record of a video capability: output sizes from min to max in steps of the granularity, at
// one frame interval (100 ns units).
inline VIDEO_STREAM_CONFIG_CAPS size_range_caps(SIZE min, SIZE max, int32_t granularity_x,
                                                int32_t granularity_y, int64_t frame_interval) {
    VIDEO_STREAM_CONFIG_CAPS record;
    record.guid = FORMAT_VideoInfo;
    record.input_size = max;
    record.min_output_size = min;
    record.max_output_size = max;
    record.output_granularity_x = granularity_x;
    record.output_granularity_y = granularity_y;
    record.min_frame_interval = frame_interval;
    record.max_frame_interval = frame_interval;
    return record;
}

}  // namespace media
