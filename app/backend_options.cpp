#include "app/backend_options.h"

#include "sim/scene.h"

namespace app {

bool make_backend_options(const Options& options, capture::BackendOptions& backend, std::string& error) {
    backend.backend = options.camera;
    backend.sim_stall_after = options.sim_stall_after;
    backend.sim_stall_ms = options.sim_stall_ms;
    if (!options.devices.empty() && options.camera != capture::Backend::v4l2) {
        error = "--devices names USB cameras: it goes with --camera v4l2";
        return false;
    }
    backend.devices = options.devices;
    if (!options.scene_file.empty()) {
        sim::Scene scene;
        std::string reason;
        if (!sim::load_scene(options.scene_file, scene, reason)) {
            error = "cannot load the scene: " + reason;
            return false;
        }
        backend.scene = std::move(scene);
    }
    return true;
}

}  // namespace app
