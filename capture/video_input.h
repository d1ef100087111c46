#pragma once
// The capture library: a table of 20 devices over the cameras of one back end. Each device opens
// as camera -> grabber (24-bit RGB) -> renderer at a requested size (or the closest offered), and
// hands frames over through its callback.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "capture/camera_backend.h"

namespace capture {

class VideoDevice;
struct CaptureGraph;

inline constexpr int MAX_DEVICES = 20;

// Which of the camera's streams a device is set up through.
enum class StreamCategory { capture, preview };

// How a device's setup ended.
enum class BuildResult { ready, failed, device_not_found, not_connected };

class VideoInput {
public:
    // Sets up the component system, prints the banner (when verbose), fills the tables and
    // creates 20 fresh device records.
    explicit VideoInput(std::shared_ptr<CameraBackend> backend);
    // Destroys the 20 records (tearing down open devices) and lets go of the component system.
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
    // Number of devices the listing counts; nothing printed.
    int countDevices();
    char* deviceName(int index);

    // True when the device runs. Sized forms ask for width x height (the closest offered size
    // otherwise); connection forms route the crossbar to connection 0..4.
    bool openDevice(int index);
    bool openDevice(int index, int width, int height);
    bool openDevice(int index, int connection);
    bool openDevice(int index, int width, int height, int connection);
    // Tears the device down and puts a fresh record in its place.
    void closeDevice(int index);
    // True while the device runs, whatever the listing counts now.
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
    // Capture time (steady clock) of the frame the last GetPixels fetched; a default time point
    // when none was fetched or the device is not open.
    std::chrono::steady_clock::time_point frameTimeOf(int index);
    // Lets go of a frame that waits to be fetched, as a fetch would, so the next GetPixels
    // returns a frame delivered after this call.
    void dropWaitingFrame(int index);
    // Whether a delivered frame waits; detects and reopens a frozen device when enabled.
    bool hasNewFrame(int index);
    // Closes and reopens the same camera with the size, connector, standard, frame time and
    // recovery it had.
    bool reopenDevice(int index);
    // Selects analog standard analogStandards[standardIndex] on an open device.
    bool setAnalogStandard(int index, int standardIndex);

    // Camera and filter settings of an open device (false when it is not open). Properties are
    // numbered as in procAmpIds (brightness 0 ... gain 9) and cameraControlIds (pan 0 ... focus
    // 6); flags 1 is automatic, 2 manual. A property the camera lacks leaves the outputs as they
    // were, sets nothing and still counts as done (true).
    //
    // Range, step, default and current value (the flags end as the current ones).
    bool getProcAmpSetting(int index, int32_t property, int32_t& min, int32_t& max, int32_t& steppingDelta,
                           int32_t& currentValue, int32_t& flags, int32_t& defaultValue);
    // Sets value with flags, or with useDefault the property's default in automatic mode.
    bool setProcAmpSetting(int index, int32_t property, int32_t value, int32_t flags, bool useDefault);
    // Sets the value at fraction (clamped to 0..1) of the range, snapped to the step; false when
    // the range or the step is empty.
    bool setProcAmpSettingPercent(int index, int32_t property, float fraction, int32_t flags);
    bool getCameraSetting(int index, int32_t property, int32_t& min, int32_t& max, int32_t& steppingDelta,
                          int32_t& currentValue, int32_t& flags, int32_t& defaultValue);
    // As setProcAmpSetting, but silent when the camera can't be bound.
    bool setCameraSetting(int index, int32_t property, int32_t value, int32_t flags, bool useDefault);
    bool setCameraSettingPercent(int index, int32_t property, float fraction, int32_t flags);
    // Shows the device's property pages on a thread of their own, which ends when they are
    // closed (or the device is). A handle above 0; 0 when the device is not open;
    // kSettingsNotBound when its camera can't be bound.
    int64_t openSettingsDialog(int index);
    static constexpr int64_t kSettingsNotBound = -1;
    // Whether property pages of the device are still open.
    bool settingsDialogOpen(int index);

    // Copies height rows of width x 3 bytes, swapping the first and third byte of each pixel
    // and/or reversing the row order.
    static void copyFrame(const uint8_t* source, uint8_t* destination, int width, int height,
                          bool flipRedAndBlue, bool flipImage);
    // Writes exactly 8 bytes: the subtype's short name ("RGB24" ... "GREY", "OTHER").
    void subtypeName(uint32_t subtype, char* out) const;
    // Writes a readable description of a device's pipeline (its stages and connections) to path.
    bool saveGraph(const CaptureGraph* graph, const std::string& path);

    // Component-system use counting shared by all objects.
    bool comAcquire();
    bool comRelease();
    // Maps connection 0..4 to a connector type and asks for crossbar routing.
    void selectConnector(int index, int connection);
    bool openCommon(int index);
    // Sets up and starts device index; ready when frames will come.
    BuildResult buildGraph(int index);
    // Opens camera `index` of the listing (the camera of `identity` instead, when that is given;
    // it is filled in otherwise) and copies its name; null when there is none with a name.
    std::unique_ptr<CameraSession> getDevice(int index, char16_t* wideName, char* name,
                                             std::string& identity);
    bool trySizeAndSubtype(VideoDevice* d, int width, int height, uint32_t subtype);
    // The offered size closest to width x height over the camera's format list; the outputs are
    // left alone when no entry qualifies.
    void findClosestSize(VideoDevice* d, int width, int height, int& outWidth, int& outHeight,
                         uint32_t& outSubtype);
    // Routes the crossbar input of the connector type to the decoder; false without a crossbar.
    bool routeInputConnector(CameraSession& camera, int connectorType);

    int32_t deviceCount = 0;
    int32_t procAmpIds[10] = {};
    int32_t cameraControlIds[7] = {};
    int32_t callbackModeFixed = 0;
    bool useCallback = true;
    StreamCategory streamCategory = StreamCategory::capture;
    uint32_t subtypeY800 = 0;
    uint32_t subtypeY8 = 0;
    uint32_t subtypeGREY = 0;
    std::array<std::unique_ptr<VideoDevice>, MAX_DEVICES> devices;
    uint32_t trialSubtypes[18] = {};
    int32_t analogStandards[18] = {};

private:
    bool valid_index(int index) const { return index >= 0 && index < MAX_DEVICES; }
    // A settings operation's own session on the device's camera (null when it can't be had).
    std::unique_ptr<CameraSession> bindSettings(int index);
    enum class Family { procAmp, camera };
    bool getSetting(Family family, int index, int32_t property, int32_t& min, int32_t& max,
                    int32_t& steppingDelta, int32_t& currentValue, int32_t& flags, int32_t& defaultValue);
    bool setSetting(Family family, int index, int32_t property, int32_t value, int32_t flags, bool useDefault);
    bool setSettingPercent(Family family, int index, int32_t property, float fraction, int32_t flags);
    // Closing from inside a failed build: same as closeDevice.
    void renew(int index);

    std::shared_ptr<CameraBackend> backend_;
};

}  // namespace capture
