#include "capture/sim/simple_sim_camera.h"

#include <opencv2/core/mat.hpp>
#include <utility>

#include "sim/renderer.h"

namespace capture {

SimpleSimCamera::SimpleSimCamera(sim::Scene scene, int stall_after)
    : scene_(std::move(scene)), stall_after_(stall_after) {}

bool SimpleSimCamera::read(cv::Mat& frame) {
    if (stall_after_ >= 0 && frames_ >= static_cast<uint64_t>(stall_after_)) return false;
    // The frame index only moves the sensor noise, as a real sensor's frames differ.
    frame = sim::render(scene_, sim::View::single, frames_);
    ++frames_;
    return true;
}

}  // namespace capture
