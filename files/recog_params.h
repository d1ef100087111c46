#pragma once
// The recognition parameters that come with each request, and the reference colours of the cones.

#include <cstdint>

namespace files {

// Unit colour vectors per camera (0 = left, 1 = right); components red, green, blue.
struct ColorTable {
    float color_vec[2][16][3];
    int32_t color_num[2];
};

// How the location is measured: whole-pixel centres and box extents (the default), or sub-pixel
// centres and extents of the colour-classified pixels (request key precision, 1).
enum class Precision : int32_t { whole_pixel = 0, subpixel = 1 };

struct RecogParams {
    int32_t max_pixnum;  // a candidate has fewer pixels than this
    int32_t min_pixnum;  // ... and more than this
    int32_t left_cam_id;  // 1: device 0's window is titled as the left camera
    ColorTable colors;
    float color_th;  // colour distance below which a pixel matches a reference colour
    float min_dist;  // carried along; not consulted
    float max_dist;  // carried along; not consulted
    Precision precision;  // set by each request on its own: without the key, whole_pixel
};

// The values the service starts with, before any request has been read: device 0 titled as the
// left camera, colour threshold 0.2, candidates between 20 and 20000 pixels, no colours.
RecogParams initial_recog_params();

}  // namespace files
