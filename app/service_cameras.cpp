#include "app/service_cameras.h"

#include "app/service_frame.h"
#include "capture/video_input.h"
#include "platform/console.h"

namespace app {

ServiceCameras::ServiceCameras(capture::VideoInput& VI, cv::Mat& image1, cv::Mat& image2) : VI_(VI) {
    devices_[0].image = &image1;
    devices_[1].image = &image2;
}

void ServiceCameras::start(int polls_per_stall, Clock::time_point now) {
    for (int device : {0, 1}) {
        VI_.setFreezeRecovery(device, true, polls_per_stall);
        devices_[device].last_frame = now;
    }
}

bool ServiceCameras::take(int device, bool wait) {
    Device& d = devices_[device];
    if (!wait && !VI_.hasNewFrame(device)) return false;
    const int width = VI_.widthOf(device);
    const int height = VI_.heightOf(device);
    if (width <= 0 || height <= 0 || VI_.frameBytesOf(device) != width * height * 3) return false;
    d.frame.resize(static_cast<size_t>(VI_.frameBytesOf(device)));
    if (!VI_.GetPixels(device, d.frame.data(), false, false)) return false;
    return frame_to_upright_image(d.frame.data(), width, height, *d.image);
}

void ServiceCameras::took(int device, Clock::time_point now) {
    Device& d = devices_[device];
    d.captured = VI_.frameTimeOf(device);
    if (d.stalled) {
        d.stalled = false;
        const std::chrono::duration<double> gap = now - d.last_frame;
        platform::console_printf("カメラ%dからまたフレームが届いています（%.1f 秒届きませんでした）。\n",
                                 device, gap.count());
    }
    d.last_frame = now;
    if (request_ && d.captured >= noticed_) d.fresh = true;
}

void ServiceCameras::poll(Clock::time_point now) {
    for (int device : {0, 1}) {
        Device& d = devices_[device];
        if (take(device, false)) {
            took(device, now);
        } else if (!d.stalled && now - d.last_frame >= kStallTime) {
            d.stalled = true;
            platform::console_printf(
                "エラー！(corn_location_service)カメラ%dから%d秒間フレームが届いていません。"
                "届くまでリクエストには応答しません。\n",
                device,
                static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(kStallTime).count()));
        }
    }
}

void ServiceCameras::begin_request(Clock::time_point noticed) {
    request_ = true;
    noticed_ = noticed;
    for (int device : {0, 1}) {
        devices_[device].fresh = false;
        // The waiting frame came before the request was noticed: the next one is the request's.
        VI_.dropWaitingFrame(device);
    }
    // A stalled camera is not waited for: its frames are taken by the polls when they come again.
    const Clock::time_point deadline = noticed + kStallTime;
    for (int device : {0, 1}) {
        Device& d = devices_[device];
        if (d.stalled) continue;
        while (!d.fresh && Clock::now() < deadline && take(device, true)) took(device, Clock::now());
    }
}

bool ServiceCameras::request_ready() const { return request_ && devices_[0].fresh && devices_[1].fresh; }

}  // namespace app
