#pragma once
// One entry of the device table: the pipeline of an open device (its camera streaming into the
// frame grabber), its frame buffers, its callback and the settings asked for before opening.
// Destroying the record tears the pipeline down.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/camera_backend.h"
#include "capture/frame_grabber.h"
#include "capture/sample_grabber_callback.h"
#include "capture/settings_dialog.h"

namespace capture {

// The stages of a device's pipeline by name, in the order they were added: the camera, "Sample
// Grabber", "NullRenderer". The teardown removes them one by one.
struct CaptureGraph {
    std::vector<std::string> filters;
    bool connected = false;  // camera -> grabber -> renderer
    bool running = false;    // stages can't be taken out while it runs
};

class VideoDevice {
public:
    VideoDevice() = default;
    // Teardown: detaches and destroys the callback, stops the stream, empties the pipeline and
    // lets go of everything held, printing a line per step when verbose.
    ~VideoDevice();
    VideoDevice(const VideoDevice&) = delete;
    VideoDevice& operator=(const VideoDevice&) = delete;

    // Sets the frame size and allocates the frame buffers and the callback's copy, once.
    void allocateFrameBuffers(int width, int height);
    // Removes every stage from the pipeline, one at a time.
    void emptyGraph();
    // Disconnects and removes, silently, every stage downstream of the camera.
    void removeDownstream();
    // Stops the stream: the camera delivers nothing more.
    void halt();

    int32_t frameBytes = 0;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t requestedWidth = 0;
    int32_t requestedHeight = 0;
    // What the setup steps acquired; each is let go of with its line in the teardown.
    bool captureBuilder = false;
    std::unique_ptr<CaptureGraph> pGraph;
    bool pControl = false;
    bool sourceFilter = false;  // the camera held by the record itself (during setup)
    bool grabberFilter = false;
    bool rendererFilter = false;
    bool streamConfig = false;
    bool grabber = false;
    std::optional<VideoFormat> pAmMediaType;  // the camera's current format
    int32_t analogStandard = 0;
    std::unique_ptr<SampleGrabberCallback> callback = std::make_unique<SampleGrabberCallback>();
    bool sizeRequested = false;
    bool routeConnector = false;
    bool ready = false;
    bool buffersAllocated = false;
    bool setupBegun = false;
    bool standardRequested = false;
    bool reconnectOnFreeze = false;
    int32_t framesBeforeReconnect = 10000;
    uint32_t pollCount = 0;
    int32_t connectorType = 2;
    uint32_t connectorIndex = 0;
    int32_t deviceIndex = -1;
    int32_t frameTime = -1;
    char name[255] = {};
    char16_t wideName[255] = {};
    std::unique_ptr<uint8_t[]> frameBuffer;
    std::unique_ptr<uint8_t[]> grabBuffer;
    // The camera bound (or, on a reopen, to bind): the same camera whatever its position now.
    std::string identity;
    // Capture time of the frame the last fetch copied out.
    std::chrono::steady_clock::time_point fetchedFrameTime{};

    // The objects behind the steps: the grabber outlives the camera that streams into it.
    FaultPlan* faults = nullptr;  // the back end's, set when the setup begins
    FrameGrabber frames;
    std::unique_ptr<CameraSession> camera;
    // Property pages open on the device, each on its own thread over its own session; closed
    // and joined first when the record goes.
    std::vector<std::unique_ptr<SettingsDialog>> dialogs;
};

}  // namespace capture
