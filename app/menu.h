#pragma once

#include <memory>

#include "app/options.h"
#include "capture/media/backend.h"

namespace media {
class MediaPlatform;
}

namespace app {

// The numbered menu: runs the chosen items until 99 or the end of input, the modes on the cameras
// of `backend`; the stereo service's capture library object runs on `media_platform`, the one the
// process's other capture library object uses. Returns the exit status.
int run_menu(const Options& options, const media::BackendOptions& backend,
             std::shared_ptr<media::MediaPlatform> media_platform);

}  // namespace app
