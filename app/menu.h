#pragma once

#include "app/options.h"

namespace app {

// The numbered menu: runs the chosen items until 99 or the end of input. Returns the exit status.
int run_menu(const Options& options);

}  // namespace app
