#pragma once
// Menu item 3: the live preview of one camera.

#include "capture/backend.h"

namespace app {

// Shows camera 0 and saves its grey 320 x 240 picture, upright, on key c and on a request
// (answered with the notify file), and as a numbered series. Returns to the menu on q or
// when the camera stops delivering.
void camera_preview(const capture::BackendOptions& backend);

}  // namespace app
