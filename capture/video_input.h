#pragma once
// The capture library: a table of 20 devices over the media platform's video input devices.
// Each device opens as a graph source -> sample grabber (24-bit RGB) -> null renderer at a
// requested size (or the closest offered), and hands frames over through its callback.

#include <cstdint>
#include <memory>
#include <string>

#include "capture/media/guid.h"
#include "capture/media/media_type.h"
#include "capture/media/result.h"

namespace media {
class MediaPlatform;
class ICaptureGraphBuilder2;
class IGraphBuilder;
class IBaseFilter;
}  // namespace media

namespace capture {

class VideoDevice;

inline constexpr int MAX_DEVICES = 20;

class VideoInput {
public:
    // Initialises the component system, prints the banner (when verbose), fills the tables and
    // creates 20 fresh device records.
    explicit VideoInput(std::shared_ptr<media::MediaPlatform> platform);
    // Destroys the 20 records (tearing down open graphs) and releases the component system.
    ~VideoInput();
    VideoInput(const VideoInput&) = delete;
    VideoInput& operator=(const VideoInput&) = delete;

    // Library-wide state, one copy for the process.
    static inline bool verbose = true;
    static inline int32_t comUsers = 0;
    static inline char deviceNames[MAX_DEVICES][255] = {};

    void setVerboseOutput(bool on);
    // The delivery mode, callback (default) or buffered; only before the first device setup.
    void setUseCallback(bool on);
    // Time per frame 10000000 / fps for a device not yet open; fps 0 or less changes nothing.
    void setFrameRate(int index, int fps);
    // Frozen-device recovery for hasNewFrame, with its poll threshold.
    void setFreezeRecovery(int index, bool on, int polls);

    // Number of capture devices; fills deviceNames and, unless silent, prints the listing.
    int enumerateDevices(bool silent = false);
    // Number of devices whose property bag binds; nothing printed.
    int countDevices();
    char* deviceName(int index);

    // True when the graph runs. Sized forms ask for width x height (the closest offered size
    // otherwise); connection forms route the crossbar to connection 0..4.
    bool openDevice(int index);
    bool openDevice(int index, int width, int height);
    bool openDevice(int index, int connection);
    bool openDevice(int index, int width, int height, int connection);
    // Tears the device down and puts a fresh record in its place.
    void closeDevice(int index);
    bool isDeviceOpen(int index);
    int widthOf(int index);
    int heightOf(int index);
    int frameBytesOf(int index);

    // Fetches the next frame into the device's own buffer and returns that buffer (null when
    // the device is not open). Without a new frame within 1000 ms the buffer is left as it was.
    uint8_t* GetPixels(int index, bool flipRedAndBlue, bool flipImage);
    // Fetches the next frame into destination (frameBytesOf bytes); false, destination
    // untouched, when none comes within 1000 ms or the device is not open.
    bool GetPixels(int index, uint8_t* destination, bool flipRedAndBlue, bool flipImage);
    // Whether a delivered frame waits; detects and reopens a frozen device when enabled.
    bool hasNewFrame(int index);
    // Closes and reopens the device with the size, connector, standard, frame time and
    // recovery it had.
    bool reopenDevice(int index);
    // Selects analog standard analogStandards[standardIndex] on an open device.
    bool setAnalogStandard(int index, int standardIndex);

    // Copies height rows of width x 3 bytes, swapping the first and third byte of each pixel
    // and/or reversing the row order.
    static void copyFrame(const uint8_t* source, uint8_t* destination, int width, int height,
                          bool flipRedAndBlue, bool flipImage);
    // Frees a media type obtained from the platform, with its format block.
    static void freeMediaType(media::AM_MEDIA_TYPE* mediaType);
    // Writes exactly 8 bytes: the subtype's short name ("RGB24" ... "GREY", "OTHER").
    void subtypeName(const media::Guid& subtype, char* out) const;
    // Writes a readable description of the graph (filters, pins, connections) to path.
    media::HRESULT saveGraph(media::IGraphBuilder* graph, const std::string& path);

    // Component-system reference counting shared by all objects.
    bool comAcquire();
    bool comRelease();
    // Maps connection 0..4 to a connector type and asks for crossbar routing.
    void selectConnector(int index, int connection);
    bool openCommon(int index);
    // Builds and runs device index's graph; S_OK when the device is ready.
    media::HRESULT buildGraph(int index);
    // Binds device `index` of the enumeration to its filter and copies its friendly name.
    media::HRESULT getDevice(media::IBaseFilter** filter, int index, char16_t* wideName, char* name);
    bool trySizeAndSubtype(VideoDevice* d, int width, int height, const media::Guid& subtype);
    // The offered size closest to width x height over the capability records; the outputs are
    // left alone when no record qualifies.
    void findClosestSize(VideoDevice* d, int width, int height, int& outWidth, int& outHeight,
                         media::Guid& outSubtype);
    media::HRESULT routeInputConnector(media::ICaptureGraphBuilder2* builder, media::IBaseFilter* source,
                                       int connectorType, const media::Guid& category);

    int32_t deviceCount = 0;
    int32_t procAmpIds[10] = {};
    int32_t cameraControlIds[7] = {};
    int32_t callbackModeFixed = 0;
    bool useCallback = true;
    media::Guid streamCategory;
    media::Guid subtypeY800;
    media::Guid subtypeY8;
    media::Guid subtypeGREY;
    VideoDevice* devices[MAX_DEVICES] = {};
    media::Guid trialSubtypes[18];
    int32_t analogStandards[18] = {};

private:
    bool valid_index(int index) const { return index >= 0 && index < MAX_DEVICES; }
    // Closing from inside a failed build: same as closeDevice.
    void renew(int index);

    std::shared_ptr<media::MediaPlatform> platform_;
};

}  // namespace capture
