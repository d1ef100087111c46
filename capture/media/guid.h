#pragma once
// 16-byte identifiers of media types, subtypes, formats, pin categories, object classes and
// interfaces.

#include <cstdint>
#include <cstring>

namespace media {

struct Guid {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    // All 16 bytes compared, as the platform does.
    friend constexpr bool operator==(const Guid& a, const Guid& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
        for (int i = 0; i < 8; ++i) {
            if (a.Data4[i] != b.Data4[i]) return false;
        }
        return true;
    }
};

// The platform's rule for subtypes of a four-character code: Data1 = the code read as a
// little-endian number, the rest 0000-0010-8000-00AA00389B71.
constexpr Guid fourcc_guid(uint32_t code) {
    return Guid{code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

// Identifiers that are not four-character codes: one private base, told apart by Data1.
constexpr Guid own_guid(uint32_t n) {
    return Guid{n, 0x6c63, 0x4d45, {0x8a, 0x1e, 0x43, 0x41, 0x50, 0x54, 0x55, 0x52}};
}

// Major types and format types.
inline constexpr Guid MEDIATYPE_Video = own_guid(0x0101);
inline constexpr Guid MEDIATYPE_Interleaved = own_guid(0x0102);
inline constexpr Guid FORMAT_VideoInfo = own_guid(0x0201);

// Uncompressed RGB subtypes carry the four-character codes of the same byte layouts on Linux
// (24-bit BGR is "BGR3"), so a back end can map its pixel formats one to one.
inline constexpr Guid MEDIASUBTYPE_RGB24 = fourcc_guid(fourcc('B', 'G', 'R', '3'));
inline constexpr Guid MEDIASUBTYPE_RGB32 = fourcc_guid(fourcc('B', 'G', 'R', '4'));
inline constexpr Guid MEDIASUBTYPE_RGB555 = fourcc_guid(fourcc('R', 'G', 'B', 'O'));
inline constexpr Guid MEDIASUBTYPE_RGB565 = fourcc_guid(fourcc('R', 'G', 'B', 'P'));
inline constexpr Guid MEDIASUBTYPE_YUY2 = fourcc_guid(fourcc('Y', 'U', 'Y', '2'));
inline constexpr Guid MEDIASUBTYPE_YVYU = fourcc_guid(fourcc('Y', 'V', 'Y', 'U'));
inline constexpr Guid MEDIASUBTYPE_YUYV = fourcc_guid(fourcc('Y', 'U', 'Y', 'V'));
inline constexpr Guid MEDIASUBTYPE_IYUV = fourcc_guid(fourcc('I', 'Y', 'U', 'V'));
inline constexpr Guid MEDIASUBTYPE_UYVY = fourcc_guid(fourcc('U', 'Y', 'V', 'Y'));
inline constexpr Guid MEDIASUBTYPE_YV12 = fourcc_guid(fourcc('Y', 'V', '1', '2'));
inline constexpr Guid MEDIASUBTYPE_YVU9 = fourcc_guid(fourcc('Y', 'V', 'U', '9'));
inline constexpr Guid MEDIASUBTYPE_Y411 = fourcc_guid(fourcc('Y', '4', '1', '1'));
inline constexpr Guid MEDIASUBTYPE_Y41P = fourcc_guid(fourcc('Y', '4', '1', 'P'));
inline constexpr Guid MEDIASUBTYPE_Y211 = fourcc_guid(fourcc('Y', '2', '1', '1'));
inline constexpr Guid MEDIASUBTYPE_AYUV = fourcc_guid(fourcc('A', 'Y', 'U', 'V'));
inline constexpr Guid MEDIASUBTYPE_MJPG = fourcc_guid(fourcc('M', 'J', 'P', 'G'));

// Pin categories; LOOK_UPSTREAM_ONLY asks for interfaces of the filters upstream of a source.
inline constexpr Guid PIN_CATEGORY_CAPTURE = own_guid(0x0301);
inline constexpr Guid PIN_CATEGORY_PREVIEW = own_guid(0x0302);
inline constexpr Guid LOOK_UPSTREAM_ONLY = own_guid(0x0303);

// Object classes the component system creates, and the device category of cameras.
inline constexpr Guid CLSID_SystemDeviceEnum = own_guid(0x0401);
inline constexpr Guid CLSID_CaptureGraphBuilder2 = own_guid(0x0402);
inline constexpr Guid CLSID_FilterGraph = own_guid(0x0403);
inline constexpr Guid CLSID_SampleGrabber = own_guid(0x0404);
inline constexpr Guid CLSID_NullRenderer = own_guid(0x0405);
inline constexpr Guid CLSID_VideoInputDeviceCategory = own_guid(0x0406);

}  // namespace media
