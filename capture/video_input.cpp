#include "capture/video_input.h"

#include <algorithm>

#include "capture/media/create_dev_enum.h"
#include "capture/media/enum_moniker.h"
#include "capture/media/media_platform.h"
#include "capture/media/moniker.h"
#include "capture/media/property_bag.h"
#include "capture/media/variant.h"
#include "capture/names.h"
#include "capture/say.h"
#include "capture/video_device.h"
#include "platform/console.h"

namespace capture {

using namespace media;

namespace {

constexpr double kVersion = 0.1995;

}  // namespace

VideoInput::VideoInput(std::shared_ptr<MediaPlatform> platform) : platform_(std::move(platform)) {
    comAcquire();
    deviceCount = 0;
    callbackModeFixed = 0;
    useCallback = true;
    for (auto& d : devices) d = new VideoDevice();
    say("\n***** VIDEOINPUT LIBRARY - %2.04f - QBX42 *****\n\n", kVersion);

    for (int i = 0; i < 10; ++i) procAmpIds[i] = i;
    for (int i = 0; i < 7; ++i) cameraControlIds[i] = i;
    streamCategory = PIN_CATEGORY_CAPTURE;
    subtypeY800 = fourcc_guid(0x30303859);
    subtypeY8 = fourcc_guid(0x38590000);
    subtypeGREY = fourcc_guid(0x59455247);

    const Guid trials[18] = {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB555, MEDIASUBTYPE_RGB565,
                             MEDIASUBTYPE_YUY2,  MEDIASUBTYPE_YVYU,  MEDIASUBTYPE_YUYV,   MEDIASUBTYPE_IYUV,
                             MEDIASUBTYPE_UYVY,  MEDIASUBTYPE_YV12,  MEDIASUBTYPE_YVU9,   MEDIASUBTYPE_Y411,
                             MEDIASUBTYPE_Y41P,  MEDIASUBTYPE_Y211,  MEDIASUBTYPE_AYUV,   subtypeY800,
                             subtypeY8,          subtypeGREY};
    std::copy(std::begin(trials), std::end(trials), trialSubtypes);

    const int32_t standards[18] = {0x1,    0x10,   0x20,   0x40,    0x80,    0x100,   0x200, 0x400, 0x100000,
                                   0x1000, 0x2000, 0x4000, 0x8000, 0x10000, 0x20000, 0x40000, 0x2, 0x4};
    std::copy(std::begin(standards), std::end(standards), analogStandards);
}

VideoInput::~VideoInput() {
    for (auto& d : devices) {
        delete d;
        d = nullptr;
    }
    comRelease();
}

bool VideoInput::comAcquire() {
    if (comUsers == 0) {
        HRESULT hr = platform_->CoInitialize();
        if (hr == RPC_E_CHANGED_MODE) say("SETUP - COM already setup - threaded VI might not be possible\n");
    }
    ++comUsers;
    return true;
}

bool VideoInput::comRelease() {
    if (comUsers > 0) --comUsers;
    if (comUsers == 0) {
        platform_->CoUninitialize();
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
    VideoDevice* d = devices[index];
    if (!d->ready && fps > 0) d->frameTime = 10000000 / fps;
}

void VideoInput::setFreezeRecovery(int index, bool on, int polls) {
    if (!valid_index(index)) return;
    devices[index]->reconnectOnFreeze = on;
    devices[index]->framesBeforeReconnect = polls;
}

int VideoInput::enumerateDevices(bool silent) {
    comAcquire();
    if (!silent) platform::console_printf("\nVIDEOINPUT SPY MODE!\n\n");
    int count = 0;

    ICreateDevEnum* devEnum = nullptr;
    HRESULT hr = platform_->CoCreateInstance(CLSID_SystemDeviceEnum, ICreateDevEnum::iid,
                                             reinterpret_cast<void**>(&devEnum));
    if (FAILED(hr) || !devEnum) {
        comRelease();
        return 0;
    }
    IEnumMoniker* monikers = nullptr;
    hr = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers);
    if (hr == S_OK && monikers) {
        if (!silent) platform::console_printf("SETUP: Looking For Capture Devices\n");
        IMoniker* moniker = nullptr;
        while (monikers->Next(&moniker) == S_OK) {
            IPropertyBag* bag = nullptr;
            if (FAILED(moniker->BindToStorage(&bag))) {
                moniker->Release();
                continue;
            }
            VARIANT name;
            VariantInit(&name);
            hr = bag->Read(u"Description", &name);
            if (FAILED(hr)) hr = bag->Read(u"FriendlyName", &name);
            // Past the table's 20 entries a device is still counted and listed, not stored.
            char unstored[255];
            char* entry = count < MAX_DEVICES ? deviceNames[count] : unstored;
            if (SUCCEEDED(hr)) {
                bag->Read(u"FriendlyName", &name);
                copy_name(name.bstr, nullptr, entry);
                if (!silent) platform::console_printf("SETUP: %i) %s \n", count, entry);
            } else {
                entry[0] = '\0';  // no stale name from an earlier listing
            }
            VariantClear(&name);
            bag->Release();
            moniker->Release();
            ++count;
        }
        monikers->Release();
    }
    devEnum->Release();
    if (!silent) platform::console_printf("SETUP: %i Device(s) found\n\n", count);
    comRelease();
    return count;
}

int VideoInput::countDevices() {
    int count = 0;
    ICreateDevEnum* devEnum = nullptr;
    if (FAILED(platform_->CoCreateInstance(CLSID_SystemDeviceEnum, ICreateDevEnum::iid,
                                           reinterpret_cast<void**>(&devEnum))) ||
        !devEnum)
        return 0;
    IEnumMoniker* monikers = nullptr;
    if (devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers) == S_OK && monikers) {
        IMoniker* moniker = nullptr;
        while (monikers->Next(&moniker) == S_OK) {
            IPropertyBag* bag = nullptr;
            if (SUCCEEDED(moniker->BindToStorage(&bag))) {
                bag->Release();
                ++count;
            }
            moniker->Release();
        }
        monikers->Release();
    }
    devEnum->Release();
    return count;
}

char* VideoInput::deviceName(int index) { return valid_index(index) ? deviceNames[index] : nullptr; }

void VideoInput::selectConnector(int index, int connection) {
    if (!valid_index(index)) return;
    static const int32_t types[5] = {2, 3, 1, 11, 10};
    if (connection < 0 || connection > 4) return;
    VideoDevice* d = devices[index];
    d->connectorType = types[connection];
    d->connectorIndex = static_cast<uint32_t>(connection);
    d->routeConnector = true;
}

bool VideoInput::openDevice(int index) {
    if (!valid_index(index) || devices[index]->ready) return false;
    return openCommon(index);
}

bool VideoInput::openDevice(int index, int width, int height) {
    if (!valid_index(index) || devices[index]->ready) return false;
    VideoDevice* d = devices[index];
    d->requestedWidth = width;
    d->requestedHeight = height;
    d->sizeRequested = true;
    return openCommon(index);
}

bool VideoInput::openDevice(int index, int connection) {
    if (!valid_index(index) || devices[index]->ready) return false;
    selectConnector(index, connection);
    return openCommon(index);
}

bool VideoInput::openDevice(int index, int width, int height, int connection) {
    if (!valid_index(index) || devices[index]->ready) return false;
    VideoDevice* d = devices[index];
    d->requestedWidth = width;
    d->requestedHeight = height;
    d->sizeRequested = true;
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
    return buildGraph(index) == S_OK;
}

void VideoInput::renew(int index) {
    delete devices[index];
    devices[index] = new VideoDevice();
}

void VideoInput::closeDevice(int index) {
    if (!valid_index(index)) return;
    renew(index);
}

bool VideoInput::isDeviceOpen(int index) {
    return index >= 0 && index < deviceCount && index < MAX_DEVICES && devices[index]->ready;
}

int VideoInput::widthOf(int index) { return isDeviceOpen(index) ? devices[index]->frameWidth : 0; }
int VideoInput::heightOf(int index) { return isDeviceOpen(index) ? devices[index]->frameHeight : 0; }
int VideoInput::frameBytesOf(int index) { return isDeviceOpen(index) ? devices[index]->frameBytes : 0; }

}  // namespace capture
