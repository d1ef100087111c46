#include "capture/video_device.h"

#include <algorithm>

#include "capture/say.h"

namespace capture {
namespace {

// Lets go of a step's hold after its teardown line; nothing when it is not held.
template <typename T>
void free_held(T& held, const char* line) {
    if (!held) return;
    say(line);
    held = T{};
}

bool step_fails(FaultPlan* faults, Step step) { return faults && faults->fails(step); }

}  // namespace

void VideoDevice::allocateFrameBuffers(int width, int height) {
    if (buffersAllocated) {
        say("SETUP: Error device size should not be set more than once \n");
        return;
    }
    frameWidth = width;
    frameHeight = height;
    frameBytes = width * height * 3;
    buffersAllocated = true;
    const size_t bytes = static_cast<size_t>(frameBytes > 0 ? frameBytes : 1);
    frameBuffer = std::make_unique<uint8_t[]>(bytes);  // zeroed: the picture before the first frame
    grabBuffer = std::make_unique<uint8_t[]>(bytes);
    callback->allocateBuffer(frameBytes);
}

VideoDevice::~VideoDevice() {
    dialogs.clear();
    if (!setupBegun) return;
    say("\nSETUP: Disconnecting device %i\n", deviceIndex);

    // Detached first: once setCallback returns no frame is handed to the callback any more.
    if (grabber) {
        frames.setCallback(nullptr);
        say("SETUP: freeing Grabber Callback\n");
    }
    callback.reset();
    if (buffersAllocated) {
        frameBuffer.reset();
        grabBuffer.reset();
    }

    if (pControl) {
        if (step_fails(faults, Step::pause)) {
            say("ERROR - Could not pause pControl\n");
        } else {
            halt();
        }
        if (step_fails(faults, Step::stop)) {
            say("ERROR - Could not stop pControl\n");
        } else {
            halt();
        }
    }

    if (sourceFilter) removeDownstream();

    free_held(rendererFilter, "SETUP: freeing Renderer \n");
    free_held(sourceFilter, "SETUP: freeing Capture Source \n");
    free_held(grabberFilter, "SETUP: freeing Grabber Filter  \n");
    free_held(grabber, "SETUP: freeing Grabber  \n");
    free_held(pControl, "SETUP: freeing Control   \n");
    free_held(streamConfig, "SETUP: freeing Stream  \n");
    free_held(pAmMediaType, "SETUP: freeing Media Type  \n");

    if (pGraph) emptyGraph();
    free_held(captureBuilder, "SETUP: freeing Capture Graph \n");
    free_held(pGraph, "SETUP: freeing Main Graph \n");
    camera.reset();  // a stream that could not be stopped ends with its pipeline
    say("SETUP: Device %i disconnected and freed\n\n", deviceIndex);
}

void VideoDevice::emptyGraph() {
    while (!pGraph->filters.empty()) {
        if (step_fails(faults, Step::enum_filters)) {
            say("SETUP: pGraph->EnumFilters() failed. \n");
            return;
        }
        const std::string name = pGraph->filters.front();
        say("SETUP: removing filter %s...\n", name.c_str());
        if (step_fails(faults, Step::remove_filter) || pGraph->running) {
            say("SETUP: pGraph->RemoveFilter() failed. \n");
            return;
        }
        pGraph->filters.erase(pGraph->filters.begin());
        say("SETUP: filter removed %s  \n", name.c_str());
    }
}

void VideoDevice::halt() {
    if (camera) camera->stop();
    if (pGraph) pGraph->running = false;
}

void VideoDevice::removeDownstream() {
    if (!pGraph || !pGraph->connected || pGraph->running) return;
    auto& f = pGraph->filters;
    for (const char* stage : {"Sample Grabber", "NullRenderer"})
        f.erase(std::remove(f.begin(), f.end(), stage), f.end());
    pGraph->connected = false;
}

}  // namespace capture
