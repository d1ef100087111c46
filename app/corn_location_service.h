#pragma once
// Menu item 4 and `serve`: the stereo cone-location service. Shows both cameras and answers the
// controller's requests with the located cones.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "capture/backend.h"
#include "capture/video_input.h"
#include "platform/ui.h"

namespace app {

enum class ServiceEnd {
    quit,               // key q or a stop request: torn down in order
    failed,             // another service holds the work directory, a camera could not be opened or the
                        // service stopped on an error; torn down
    no_capture_device,  // no camera at all: the line on the error stream said so; torn down
};

// The process's exit status when the service found no camera at all (-1 as a byte).
inline constexpr int kNoCaptureDeviceStatus = 255;

// Asked at the top of every loop pass; true ends the service as key q does.
using ServiceStop = std::function<bool()>;

// An answered request: when the service noticed it and when the pictures that answered it were
// captured (the frames' own time stamps, steady clock).
struct AnsweredRequest {
    std::chrono::steady_clock::time_point noticed;
    std::chrono::steady_clock::time_point captured[2];  // device 0 (left), device 1 (right)
};

// Ways to measure the service (the benchmark's); the defaults are how it always runs.
struct ServiceHooks {
    // false: the request is looked for once per 125 ms pass, as where the work directory can't
    // be watched.
    bool watch_requests = true;
    // Called on the service's thread after each answer, once the notify file is in place.
    std::function<void(const AnsweredRequest&)> on_answer;
};

// Window titles of device 0 and device 1: device 0 is titled as the left camera only when
// left_cam_id is 1. Device 0 is the left picture either way.
struct ServiceWindowTitles {
    std::string window_name1;
    std::string window_name2;
};
ServiceWindowTitles service_window_titles(int left_cam_id);

// Looks of the two windows (key hints, closing ends the service, places side by side with the
// window titled as the left camera at the left), for device 0's and device 1's window.
struct ServiceWindowOptions {
    platform::WindowOptions window1;
    platform::WindowOptions window2;
};
ServiceWindowOptions service_window_options(int left_cam_id);

// Called once, when both cameras are open and before the first pass: the user's camera settings.
using CamerasOpened = std::function<void(capture::VideoInput& VI)>;

// Runs the service on the cameras of `backend` until key q or `stop`. Without any capture device it
// prints one line (and a hint) on the error stream and returns no_capture_device; the process then
// ends with status 255.
ServiceEnd corn_location_service(const capture::BackendOptions& backend, const ServiceStop& stop = {},
                                 const CamerasOpened& opened = {});
// The same on given cameras (devices 0 and 1 are the left and right cameras).
ServiceEnd corn_location_service(std::shared_ptr<capture::CameraBackend> camera_backend,
                                 const ServiceStop& stop = {}, const CamerasOpened& opened = {},
                                 const ServiceHooks& hooks = {});

}  // namespace app
