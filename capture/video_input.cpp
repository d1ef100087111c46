#include "capture/video_input.h"

#include <algorithm>

#include "capture/names.h"
#include "capture/say.h"
#include "capture/subtypes.h"
#include "capture/video_device.h"
#include "platform/console.h"

namespace capture {
namespace {

constexpr double kVersion = 0.1995;

}  // namespace

VideoInput::VideoInput(std::shared_ptr<CameraBackend> backend) : backend_(std::move(backend)) {
    comAcquire();
    deviceCount = 0;
    callbackModeFixed = 0;
    useCallback = true;
    for (auto& d : devices) d = std::make_unique<VideoDevice>();
    say("\n***** VIDEOINPUT LIBRARY - %2.04f - QBX42 *****\n\n", kVersion);

    for (int i = 0; i < 10; ++i) procAmpIds[i] = i;
    for (int i = 0; i < 7; ++i) cameraControlIds[i] = i;
    streamCategory = StreamCategory::capture;
    subtypeY800 = subtype::Y800;
    subtypeY8 = subtype::Y8;
    subtypeGREY = subtype::GREY;

    using namespace subtype;
    const uint32_t trials[18] = {RGB24, RGB32, RGB555, RGB565, YUY2, YVYU, YUYV, IYUV, UYVY,
                                 YV12,  YVU9,  Y411,   Y41P,   Y211, AYUV, Y800, Y8,   GREY};
    std::copy(std::begin(trials), std::end(trials), trialSubtypes);

    const int32_t standards[18] = {0x1,    0x10,   0x20,   0x40,   0x80,    0x100,   0x200,   0x400, 0x100000,
                                   0x1000, 0x2000, 0x4000, 0x8000, 0x10000, 0x20000, 0x40000, 0x2,   0x4};
    std::copy(std::begin(standards), std::end(standards), analogStandards);
}

VideoInput::~VideoInput() {
    for (auto& d : devices) d.reset();
    comRelease();
}

bool VideoInput::comAcquire() {
    // Linux has no component system: only its being set up elsewhere can be simulated.
    if (comUsers == 0 && backend_->faults().fails(Step::initialize))
        say("SETUP - COM already setup - threaded VI might not be possible\n");
    ++comUsers;
    return true;
}

bool VideoInput::comRelease() {
    if (comUsers > 0) --comUsers;
    if (comUsers == 0) {
        backend_->faults().fails(Step::uninitialize);
        return true;
    }
    return false;
}

void VideoInput::setVerboseOutput(bool on) { verbose = on; }

void VideoInput::setUseCallback(bool on) {
    if (callbackModeFixed == 0) {
        useCallback = on;
        callbackModeFixed = 1;
    } else {
        platform::console_printf("ERROR: setUseCallback can only be called before setup\n");
    }
}

void VideoInput::setFrameRate(int index, int fps) {
    if (!valid_index(index)) return;
    VideoDevice& d = *devices[index];
    if (!d.ready && fps > 0) d.frameTime = 10000000 / fps;
}

void VideoInput::setFreezeRecovery(int index, bool on, int polls) {
    if (!valid_index(index)) return;
    devices[index]->reconnectOnFreeze = on;
    devices[index]->framesBeforeReconnect = polls;
}

int VideoInput::enumerateDevices(bool silent) {
    comAcquire();
    if (!silent) platform::console_printf("\nVIDEOINPUT SPY MODE!\n\n");
    if (backend_->faults().fails(Step::list_devices)) {
        comRelease();
        return 0;
    }
    int count = 0;
    const std::vector<CameraInfo> cameras = backend_->list_cameras();
    if (!cameras.empty() && !silent) platform::console_printf("SETUP: Looking For Capture Devices\n");
    for (const CameraInfo& camera : cameras) {
        if (!camera.names_readable) continue;
        // Past the table's 20 entries a device is still counted and listed, not stored.
        char unstored[255];
        char* entry = count < MAX_DEVICES ? deviceNames[count] : unstored;
        const std::optional<std::string>& name = camera.name ? camera.name : camera.description;
        if (name) {
            copy_name(*name, nullptr, entry);
            if (!silent) {
                platform::console_printf("SETUP: %i) %s \n", count, entry);
                // Where it is and why it can't be opened: the user's clues to a swapped or locked camera.
                if (!camera.location.empty()) platform::console_printf("   %s\n", camera.location.c_str());
                if (!camera.problem.empty()) platform::console_printf("   %s\n", camera.problem.c_str());
            }
        } else {
            entry[0] = '\0';  // no stale name from an earlier listing
        }
        ++count;
    }
    if (!silent) platform::console_printf("SETUP: %i Device(s) found\n\n", count);
    comRelease();
    return count;
}

int VideoInput::countDevices() {
    if (backend_->faults().fails(Step::list_devices)) return 0;
    const std::vector<CameraInfo> cameras = backend_->list_cameras();
    return static_cast<int>(
        std::count_if(cameras.begin(), cameras.end(), [](const CameraInfo& c) { return c.names_readable; }));
}

char* VideoInput::deviceName(int index) { return valid_index(index) ? deviceNames[index] : nullptr; }

void VideoInput::selectConnector(int index, int connection) {
    if (!valid_index(index)) return;
    static const int32_t types[5] = {2, 3, 1, 11, 10};
    if (connection < 0 || connection > 4) return;
    VideoDevice& d = *devices[index];
    d.connectorType = types[connection];
    d.connectorIndex = static_cast<uint32_t>(connection);
    d.routeConnector = true;
}

bool VideoInput::openDevice(int index) {
    if (!valid_index(index) || devices[index]->ready) return false;
    return openCommon(index);
}

bool VideoInput::openDevice(int index, int width, int height) {
    if (!valid_index(index) || devices[index]->ready) return false;
    VideoDevice& d = *devices[index];
    d.requestedWidth = width;
    d.requestedHeight = height;
    d.sizeRequested = true;
    return openCommon(index);
}

bool VideoInput::openDevice(int index, int connection) {
    if (!valid_index(index) || devices[index]->ready) return false;
    selectConnector(index, connection);
    return openCommon(index);
}

bool VideoInput::openDevice(int index, int width, int height, int connection) {
    if (!valid_index(index) || devices[index]->ready) return false;
    VideoDevice& d = *devices[index];
    d.requestedWidth = width;
    d.requestedHeight = height;
    d.sizeRequested = true;
    selectConnector(index, connection);
    return openCommon(index);
}

bool VideoInput::openCommon(int index) {
    deviceCount = countDevices();
    if (index > deviceCount - 1) {
        say("SETUP: device[%i] not found - you have %i devices available\n", index, deviceCount);
        say("SETUP: this means that the last device you can use is device[%i] \n", deviceCount - 1);
        return false;
    }
    return buildGraph(index) == BuildResult::ready;
}

void VideoInput::renew(int index) { devices[index] = std::make_unique<VideoDevice>(); }

void VideoInput::closeDevice(int index) {
    if (!valid_index(index)) return;
    renew(index);
}

bool VideoInput::isDeviceOpen(int index) {
    // Ready is enough: a device counted before another camera left stays usable (its index may
    // now lie beyond deviceCount).
    return valid_index(index) && devices[index]->ready;
}

int VideoInput::widthOf(int index) { return isDeviceOpen(index) ? devices[index]->frameWidth : 0; }
int VideoInput::heightOf(int index) { return isDeviceOpen(index) ? devices[index]->frameHeight : 0; }
int VideoInput::frameBytesOf(int index) { return isDeviceOpen(index) ? devices[index]->frameBytes : 0; }

}  // namespace capture
