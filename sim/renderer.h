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
struct ConeTruth {
    double col = 0, row = 0;
    double pixel_height = 0, pixel_width = 0;
    bool in_view = false;  // the centre lies inside the frame
};

ConeTruth project(const Cone& cone, View view);

// Upright BGR frame (row 0 at the top), CV_8UC3. Deterministic for a scene, view and frame index;
// the frame index only changes the sensor noise.
cv::Mat render(const Scene& scene, View view, uint64_t frame_index = 0);

}  // namespace sim
