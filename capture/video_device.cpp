#include "capture/video_device.h"

#include <cstring>

#include "capture/media/capture_graph_builder2.h"
#include "capture/media/am_stream_config.h"
#include "capture/media/base_filter.h"
#include "capture/media/enum_filters.h"
#include "capture/media/enum_pins.h"
#include "capture/media/graph_builder.h"
#include "capture/media/media_control.h"
#include "capture/media/pin.h"
#include "capture/media/sample_grabber.h"
#include "capture/names.h"
#include "capture/sample_grabber_callback.h"
#include "capture/say.h"
#include "capture/video_input.h"

namespace capture {

using namespace media;

namespace {

// Releases and clears an interface the record holds, after its teardown line; nothing when it
// is not held.
template <typename T>
void free_held(T*& held, const char* line) {
    if (!held) return;
    say(line);
    release_and_clear(held);
}

}  // namespace

VideoDevice::VideoDevice() : callback(new SampleGrabberCallback()) {}

void VideoDevice::allocateFrameBuffers(int width, int height) {
    if (buffersAllocated) {
        say("SETUP: Error device size should not be set more than once \n");
        return;
    }
    frameWidth = width;
    frameHeight = height;
    frameBytes = width * height * 3;
    buffersAllocated = true;
    size_t bytes = static_cast<size_t>(frameBytes > 0 ? frameBytes : 1);
    frameBuffer = new uint8_t[bytes];
    grabBuffer = new uint8_t[bytes];
    std::memset(frameBuffer, 0, bytes);
    callback->allocateBuffer(frameBytes);
}

VideoDevice::~VideoDevice() {
    if (!setupBegun) {
        callback->Release();
        delete callback;
        return;
    }
    say("\nSETUP: Disconnecting device %i\n", deviceIndex);

    // Detached first: when SetCallback returns no sample call runs on the object any more.
    if (grabber) {
        grabber->SetCallback(nullptr, 1);
        say("SETUP: freeing Grabber Callback\n");
    }
    callback->Release();
    delete callback;
    callback = nullptr;
    if (buffersAllocated) {
        delete[] frameBuffer;
        delete[] grabBuffer;
        frameBuffer = nullptr;
        grabBuffer = nullptr;
    }

    if (pControl) {
        if (FAILED(pControl->Pause())) say("ERROR - Could not pause pControl\n");
        if (FAILED(pControl->Stop())) say("ERROR - Could not stop pControl\n");
    }

    if (sourceFilter) removeDownstream(sourceFilter);

    free_held(rendererFilter, "SETUP: freeing Renderer \n");
    free_held(sourceFilter, "SETUP: freeing Capture Source \n");
    free_held(grabberFilter, "SETUP: freeing Grabber Filter  \n");
    free_held(grabber, "SETUP: freeing Grabber  \n");
    free_held(pControl, "SETUP: freeing Control   \n");
    free_held(streamConfig, "SETUP: freeing Stream  \n");
    if (pAmMediaType) {
        say("SETUP: freeing Media Type  \n");
        VideoInput::freeMediaType(pAmMediaType);
        pAmMediaType = nullptr;
    }

    if (pGraph) emptyGraph();
    free_held(captureBuilder, "SETUP: freeing Capture Graph \n");
    free_held(pGraph, "SETUP: freeing Main Graph \n");
    say("SETUP: Device %i disconnected and freed\n\n", deviceIndex);
}

void VideoDevice::emptyGraph() {
    for (;;) {
        IEnumFilters* filters = nullptr;
        if (FAILED(pGraph->EnumFilters(&filters))) {
            say("SETUP: pGraph->EnumFilters() failed. \n");
            return;
        }
        IBaseFilter* filter = nullptr;
        if (filters->Next(&filter) != S_OK) {
            filters->Release();
            return;
        }
        FILTER_INFO info;
        std::string name;
        if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
            if (info.graph) info.graph->Release();
            name = narrow_text(info.name);
        }
        say("SETUP: removing filter %s...\n", name.c_str());
        if (FAILED(pGraph->RemoveFilter(filter))) {
            say("SETUP: pGraph->RemoveFilter() failed. \n");
            filter->Release();
            filters->Release();
            return;
        }
        say("SETUP: filter removed %s  \n", name.c_str());
        filter->Release();
        filters->Release();
    }
}

void VideoDevice::removeDownstream(IBaseFilter* filter) {
    if (!filter || !pGraph) return;
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins))) return;
    pins->Reset();
    IPin* pin = nullptr;
    while (pins->Next(&pin) == S_OK) {
        IPin* to = nullptr;
        if (pin->ConnectedTo(&to) == S_OK && to) {
            PIN_INFO info;
            if (FAILED(to->QueryPinInfo(&info))) {
                to->Release();
                pin->Release();
                break;
            }
            if (info.dir == PIN_DIRECTION::input) {
                removeDownstream(info.filter);
                pGraph->Disconnect(to);
                pGraph->Disconnect(pin);
                pGraph->RemoveFilter(info.filter);
            }
            info.filter->Release();
            to->Release();
        }
        pin->Release();
    }
    pins->Release();
}

}  // namespace capture
