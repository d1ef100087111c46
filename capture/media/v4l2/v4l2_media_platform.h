#pragma once
// The media platform over V4L2: the cameras are the /dev/video<N> nodes that capture video, in
// the order of their numbers.

#include <memory>

#include "capture/media/media_platform.h"
#include "capture/media/v4l2/v4l2_ops.h"

namespace media::v4l2 {

class V4l2MediaPlatform final : public MediaPlatform {
public:
    // ops: the device layer (libv4l2 for real cameras, a scripted one in tests).
    explicit V4l2MediaPlatform(std::shared_ptr<V4l2Ops> ops);

protected:
    // Opens each node for a moment to ask what it is. Nodes that only carry metadata or output
    // are left out; a node busy with another program is kept, named by its path.
    std::vector<IMoniker*> list_cameras() override;

private:
    std::shared_ptr<V4l2Ops> ops_;
};

}  // namespace media::v4l2
