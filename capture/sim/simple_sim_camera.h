#pragma once
// The simulated camera of the live preview: 640 x 480 frames of a scene seen from the centre line.

#include <cstdint>

#include "capture/backend.h"
#include "sim/scene.h"

namespace capture {

// Renders one frame per read; after stall_after frames (-1: never) it delivers nothing more, as a
// camera that has frozen.
class SimpleSimCamera final : public SimpleCamera {
public:
    SimpleSimCamera(sim::Scene scene, int stall_after);
    bool read(cv::Mat& frame) override;

private:
    sim::Scene scene_;
    int stall_after_;
    uint64_t frames_ = 0;
};

}  // namespace capture
