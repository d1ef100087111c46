#pragma once
// The camera back end the command line asks for.

#include <string>

#include "app/options.h"
#include "capture/backend.h"

namespace app {

// Back end, stall count, pinned devices and scene (loaded from the scene file when one is given).
// False with a one-line message in `error` when the scene file can't be loaded or devices are
// pinned for the simulated cameras.
bool make_backend_options(const Options& options, capture::BackendOptions& backend, std::string& error);

}  // namespace app
