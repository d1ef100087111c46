#pragma once
// The simulated stereo rig: device 0 is the left and device 1 the right camera of the scene
// renderer, at 30 frames per second, delivered as 24-bit BGR with rows bottom-up at whatever size
// the graph negotiated.

#include <memory>

#include "capture/sim/sim_backend.h"
#include "sim/scene.h"

namespace capture {

// stall_after: each stream stops delivering after that many frames; -1 never. stall_ms: for that
// long, then it delivers on; -1 for good.
std::shared_ptr<SimBackend> make_sim_stereo_rig(const ::sim::Scene& scene, int stall_after,
                                                int stall_ms = -1);

}  // namespace capture
