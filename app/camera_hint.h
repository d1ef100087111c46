#pragma once
// What to try when no camera is found.

namespace app {

// One line on the error stream: the simulated rig, and the permissions on the camera nodes.
void print_no_camera_hint();

}  // namespace app
