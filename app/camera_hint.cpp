#include "app/camera_hint.h"

#include "platform/console.h"

namespace app {

void print_no_camera_hint() {
    platform::console_error_printf(
        "hint: --camera sim tries the simulated rig; for USB cameras check that /dev/video* "
        "exist and that you are in the group video\n");
}

}  // namespace app
