#include "capture/media/media_type.h"

#include <cstring>

#include "capture/media/task_memory.h"
#include "capture/media/unknown.h"

namespace media {

AM_MEDIA_TYPE* create_video_media_type(const Guid& subtype, int width, int height,
                                       int64_t avg_time_per_frame) {
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    *mt = AM_MEDIA_TYPE{};
    mt->major_type = MEDIATYPE_Video;
    mt->subtype = subtype;
    mt->fixed_size_samples = 1;
    mt->sample_size = static_cast<uint32_t>(width * height * 3);
    mt->format_type = FORMAT_VideoInfo;
    mt->format_size = sizeof(VIDEOINFOHEADER);
    mt->format_block = static_cast<uint8_t*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->format_block);
    *vih = VIDEOINFOHEADER{};
    vih->avg_time_per_frame = avg_time_per_frame;
    vih->bmi_header.width = width;
    vih->bmi_header.height = height;
    vih->bmi_header.bit_count = 24;
    vih->bmi_header.size_image = mt->sample_size;
    return mt;
}

AM_MEDIA_TYPE* copy_media_type(const AM_MEDIA_TYPE* mt) {
    if (!mt) return nullptr;
    auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    *copy = *mt;
    if (mt->format_size != 0 && mt->format_block) {
        copy->format_block = static_cast<uint8_t*>(CoTaskMemAlloc(mt->format_size));
        std::memcpy(copy->format_block, mt->format_block, mt->format_size);
    } else {
        copy->format_size = 0;
        copy->format_block = nullptr;
    }
    if (copy->format_object) copy->format_object->AddRef();
    return copy;
}

void delete_media_type(AM_MEDIA_TYPE* mt) {
    if (!mt) return;
    if (mt->format_block) CoTaskMemFree(mt->format_block);
    if (mt->format_object) mt->format_object->Release();
    CoTaskMemFree(mt);
}

}  // namespace media
