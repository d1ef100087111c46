#pragma once
// One entry of the device table: the graph of an open device, its frame buffers, its callback
// and the settings asked for before opening. Destroying the record tears the graph down.

#include <cstdint>

#include "capture/media/media_type.h"

namespace media {
class ICaptureGraphBuilder2;
class IGraphBuilder;
class IMediaControl;
class IBaseFilter;
class IAMStreamConfig;
class ISampleGrabber;
}  // namespace media

namespace capture {

class SampleGrabberCallback;

class VideoDevice {
public:
    VideoDevice();
    // Teardown: detaches and destroys the callback, stops the graph, empties it and releases
    // everything held, printing a line per step when verbose.
    ~VideoDevice();
    VideoDevice(const VideoDevice&) = delete;
    VideoDevice& operator=(const VideoDevice&) = delete;

    // Sets the frame size and allocates the frame buffers and the callback's copy, once.
    void allocateFrameBuffers(int width, int height);
    // Removes every filter from the graph, one enumeration at a time.
    void emptyGraph();
    // Disconnects and removes, depth first, every filter downstream of `filter`.
    void removeDownstream(media::IBaseFilter* filter);

    int32_t frameBytes = 0;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t requestedWidth = 0;
    int32_t requestedHeight = 0;
    media::ICaptureGraphBuilder2* captureBuilder = nullptr;
    media::IGraphBuilder* pGraph = nullptr;
    media::IMediaControl* pControl = nullptr;
    media::IBaseFilter* sourceFilter = nullptr;
    media::IBaseFilter* grabberFilter = nullptr;
    media::IBaseFilter* rendererFilter = nullptr;
    media::IAMStreamConfig* streamConfig = nullptr;
    media::ISampleGrabber* grabber = nullptr;
    media::AM_MEDIA_TYPE* pAmMediaType = nullptr;
    int32_t analogStandard = 0;
    SampleGrabberCallback* callback = nullptr;
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
    uint8_t* frameBuffer = nullptr;
    uint8_t* grabBuffer = nullptr;
};

}  // namespace capture
