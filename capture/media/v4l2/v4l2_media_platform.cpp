#include "capture/media/v4l2/v4l2_media_platform.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "capture/media/v4l2/v4l2_moniker.h"
#include "capture/media/v4l2/v4l2_node.h"

namespace media::v4l2 {
namespace {

// N of ".../videoN"; INT_MAX for names without a number, so they sort last.
int node_number(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.rfind("video", 0) != 0 || name.size() == 5 || name.size() > 14) return INT_MAX;
    int n = 0;
    for (size_t i = 5; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return INT_MAX;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// A fixed-size text field of the driver, which need not be terminated.
std::string field_text(const uint8_t* field, size_t size) {
    const char* text = reinterpret_cast<const char*>(field);
    return std::string(text, strnlen(text, size));
}

}  // namespace

V4l2MediaPlatform::V4l2MediaPlatform(std::shared_ptr<V4l2Ops> ops) : ops_(std::move(ops)) {}

std::vector<IMoniker*> V4l2MediaPlatform::list_cameras() {
    std::vector<std::string> nodes = ops_->device_nodes();
    std::stable_sort(nodes.begin(), nodes.end(), [](const std::string& a, const std::string& b) {
        int na = node_number(a);
        int nb = node_number(b);
        return na != nb ? na < nb : a < b;
    });

    std::vector<IMoniker*> monikers;
    for (const std::string& path : nodes) {
        V4l2Node node(ops_, path);
        if (!node.is_open()) {
            if (node.error() == EBUSY) monikers.push_back(new V4l2Moniker(ops_, path, path, path));
            continue;
        }
        v4l2_capability cap{};
        if (node.xioctl(VIDIOC_QUERYCAP, &cap) != 0) continue;
        uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) continue;
        std::string card = field_text(cap.card, sizeof cap.card);
        std::string driver = field_text(cap.driver, sizeof cap.driver);
        std::string bus = field_text(cap.bus_info, sizeof cap.bus_info);
        if (card.empty()) card = path;
        monikers.push_back(
            new V4l2Moniker(ops_, path, card, card + " (" + driver + ", " + bus + ", " + path + ")"));
    }
    return monikers;
}

}  // namespace media::v4l2
