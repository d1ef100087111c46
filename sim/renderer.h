#pragma once
// Renders the views of the simulated cameras and tells where each cone must appear in them.

#include <cstdint>
#include <opencv2/core/mat.hpp>

#include "sim/scene.h"

namespace sim {

enum class View {
    left,    // 320 x 240, the left camera of the stereo rig
    right,   // 320 x 240, the right camera
    single,  // 640 x 480, one camera on the centre line
};

// Where a cone lands in a view, in pixels (column, row of its centre; its pixel extents).
// Pixel (c, r) has its centre at (c, r), so a rendered cone's median pixel is the pixel nearest
// to (col, row).
struct ConeTruth {
    double col = 0, row = 0;
    double pixel_height = 0, pixel_width = 0;
    bool in_view = false;  // the centre lies inside the frame
    // The silhouette: apex row, base row and the columns of the base's ends.
    double min_col = 0, min_row = 0, max_col = 0, max_row = 0;
    bool fully_in_view = false;  // the whole silhouette lies inside the frame
};

// Frame size of a view: 320 x 240 for the stereo cameras, 640 x 480 for the single camera.
cv::Size view_size(View view);

// Projection of the cone's centre and size; in_view is false for a cone at or behind the rig.
ConeTruth project(const Cone& cone, View view);

// Upright BGR frame (row 0 at the top), CV_8UC3. Deterministic for a scene, view and frame index;
// the frame index only changes the sensor noise.
cv::Mat render(const Scene& scene, View view, uint64_t frame_index = 0);

}  // namespace sim
