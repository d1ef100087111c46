#pragma once

#include "app/options.h"
#include "capture/media/backend.h"

namespace app {

// The numbered menu: runs the chosen items until 99 or the end of input, the modes on the cameras
// of `backend`. Returns the exit status.
int run_menu(const Options& options, const media::BackendOptions& backend);

}  // namespace app
