#pragma once
// A media type with its format block, and the video format block it carries (published layouts:
// the capture library reads and writes them field by field).

#include <cstdint>

#include "capture/media/guid.h"

namespace media {

class IUnknown;

struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct BITMAPINFOHEADER {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;  // positive: rows bottom-up
    uint16_t planes = 1;
    uint16_t bit_count = 0;
    uint32_t compression = 0;
    uint32_t size_image = 0;
    int32_t x_pels_per_meter = 0;
    int32_t y_pels_per_meter = 0;
    uint32_t colors_used = 0;
    uint32_t colors_important = 0;
};

struct VIDEOINFOHEADER {
    RECT source;
    RECT target;
    uint32_t bit_rate = 0;
    uint32_t bit_error_rate = 0;
    int64_t avg_time_per_frame = 0;  // 100 ns units
    BITMAPINFOHEADER bmi_header;
};

struct AM_MEDIA_TYPE {
    Guid major_type;
    Guid subtype;
    int32_t fixed_size_samples = 0;
    int32_t temporal_compression = 0;
    uint32_t sample_size = 0;
    Guid format_type;
    IUnknown* format_object = nullptr;  // unused by the back ends; released when freed
    uint32_t format_size = 0;
    uint8_t* format_block = nullptr;  // allocated with CoTaskMemAlloc
};

// The format block as a video format, or null when the type carries none (or too short a one).
inline VIDEOINFOHEADER* video_info(AM_MEDIA_TYPE* mt) {
    if (!mt || !mt->format_block || mt->format_size < sizeof(VIDEOINFOHEADER)) return nullptr;
    return reinterpret_cast<VIDEOINFOHEADER*>(mt->format_block);
}
inline const VIDEOINFOHEADER* video_info(const AM_MEDIA_TYPE* mt) {
    return video_info(const_cast<AM_MEDIA_TYPE*>(mt));
}

// A new media type (CoTaskMemAlloc'd, with a video format block) for a back end to hand out.
AM_MEDIA_TYPE* create_video_media_type(const Guid& subtype, int width, int height,
                                       int64_t avg_time_per_frame);
// A deep copy allocated the same way; null on a null source.
AM_MEDIA_TYPE* copy_media_type(const AM_MEDIA_TYPE* mt);
// Frees a media type made by one of the two above (format block, format object, record).
void delete_media_type(AM_MEDIA_TYPE* mt);

}  // namespace media
