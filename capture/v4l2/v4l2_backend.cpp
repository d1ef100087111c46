#include "capture/v4l2/v4l2_backend.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "capture/v4l2/v4l2_node.h"
#include "capture/v4l2/v4l2_session.h"
#include "platform/console.h"

namespace capture {
namespace {

// "2-1" or "1-1.3": a USB device named by bus and port path, as sysfs names it.
bool is_usb_port(const std::string& part) {
    const size_t dash = part.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == part.size()) return false;
    for (size_t i = 0; i < part.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(part[i]));
        if (!digit && i != dash && (part[i] != '.' || i < dash)) return false;
    }
    return true;
}

// The USB port path of the device a node belongs to (the last such part of its sysfs path);
// empty when it is not on USB.
std::string usb_port(const std::string& device) {
    std::string port;
    for (size_t start = 0; start < device.size();) {
        const size_t end = std::min(device.find('/', start), device.size());
        if (const std::string part = device.substr(start, end - start); is_usb_port(part)) port = part;
        start = end + 1;
    }
    return port;
}

// Order in which numbers inside names count as numbers: port 1-2 before 1-10.
bool natural_less(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t ie = i, je = j;
            while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
            while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
            const std::string x = a.substr(i, ie - i), y = b.substr(j, je - j);
            if (x.size() != y.size()) return x.size() < y.size();
            if (x != y) return x < y;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

// Why a node can't be opened, in the words the user needs.
std::string open_problem(const std::string& path, int error) {
    if (error == EACCES || error == EPERM)
        return path +
               ": no permission to open it - the user needs read and write access (usually the group video)";
    if (error == EBUSY) return path + ": busy - another program holds the camera";
    return path + ": " + std::strerror(error);
}

struct Listed {
    CameraInfo info;
    V4l2NodeInfo node;
};

}  // namespace

V4l2Backend::V4l2Backend(std::shared_ptr<V4l2Ops> ops, std::vector<std::string> pinned)
    : ops_(std::move(ops)), pinned_(std::move(pinned)) {}

std::vector<CameraInfo> V4l2Backend::list_cameras() {
    std::vector<Listed> found;
    for (const V4l2NodeInfo& node : ops_->video_nodes()) {
        // A node is asked what it is once, not at every listing (each open may wake a camera).
        const std::string key =
            node.path + '\n' + node.device + '\n' + node.name + '\n' + std::to_string(node.index);
        auto probe = probes_.find(key);
        int error = 0;
        if (probe == probes_.end()) {
            V4l2Node opened(ops_, node.path);
            v4l2_capability cap{};
            error = opened.is_open() ? -opened.xioctl(VIDIOC_QUERYCAP, &cap) : opened.error();
            if (error == 0) {
                const uint32_t caps =
                    (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
                const char* card = reinterpret_cast<const char*>(cap.card);
                const Probe p{(caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING),
                              std::string(card, strnlen(card, sizeof cap.card))};
                probe = probes_.emplace(key, p).first;
            }
        }
        // A node that can't be opened is taken for a camera when it is its device's first.
        if (error != 0 ? node.index != 0 : !probe->second.capture) continue;
        Listed l{CameraInfo{}, node};
        const std::string& card = error == 0 ? probe->second.card : std::string();
        l.info.name = !card.empty() ? card : !node.name.empty() ? node.name : node.path;
        l.info.identity = node.device.empty() ? node.path : node.device + '#' + std::to_string(node.index);
        l.info.path = node.path;
        const std::string port = usb_port(node.device);
        l.info.location = (port.empty() ? "" : "USB port " + port + ", ") + node.path;
        if (error != 0) l.info.problem = open_problem(node.path, error);
        found.push_back(std::move(l));
    }
    // By port, then by the node's place on its device; nodes sysfs says nothing of come last.
    auto number = [](const std::string& path) {
        const size_t digits = path.find_last_not_of("0123456789") + 1;
        return digits < path.size() ? std::atoi(path.c_str() + digits) : INT_MAX;
    };
    std::sort(found.begin(), found.end(), [&](const Listed& a, const Listed& b) {
        if (a.node.device.empty() != b.node.device.empty()) return b.node.device.empty();
        if (a.node.device != b.node.device) return natural_less(a.node.device, b.node.device);
        if (a.node.index != b.node.index) return a.node.index < b.node.index;
        return number(a.node.path) < number(b.node.path);
    });

    std::vector<CameraInfo> cameras;
    for (const std::string& pin : pinned_) {
        const std::string node = ops_->resolve(pin);
        auto it = std::find_if(found.begin(), found.end(),
                               [&](const Listed& l) { return !node.empty() && l.info.path == node; });
        CameraInfo info;
        if (it != found.end()) {
            info = std::move(it->info);
            found.erase(it);
        } else {
            // Kept at its place, so that another camera never moves into it.
            info.name = pin;
            info.path = pin;
            info.problem = pin + ": not found";
        }
        info.identity = "pinned " + pin;
        cameras.push_back(std::move(info));
    }
    for (Listed& l : found) cameras.push_back(std::move(l.info));
    return cameras;
}

std::unique_ptr<CameraSession> V4l2Backend::open(const CameraInfo& camera) {
    V4l2Node node(ops_, camera.path);
    if (!node.is_open()) {
        // The library's own message says only that the device was not found; say why.
        platform::console_error_printf("%s\n", open_problem(camera.path, node.error()).c_str());
        return nullptr;
    }
    return std::make_unique<V4l2Session>(std::move(node));
}

}  // namespace capture
