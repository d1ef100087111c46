// Frame hand-over from the streaming thread to the caller, polling for new frames and the
// recovery of a device that stopped delivering.

#include <chrono>
#include <cstring>

#include "capture/say.h"
#include "capture/video_device.h"
#include "capture/video_input.h"

namespace capture {
namespace {

// How long a fetch waits for the streaming thread's next frame.
constexpr std::chrono::milliseconds kFrameWait{1000};

}  // namespace

void VideoInput::copyFrame(const uint8_t* source, uint8_t* destination, int width, int height,
                           bool flipRedAndBlue, bool flipImage) {
    if (width <= 0 || height <= 0) return;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    if (!flipRedAndBlue && !flipImage) {
        std::memcpy(destination, source, rowBytes * static_cast<size_t>(height));
        return;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = source + rowBytes * static_cast<size_t>(flipImage ? height - 1 - y : y);
        uint8_t* to = destination + rowBytes * static_cast<size_t>(y);
        if (!flipRedAndBlue) {
            std::memcpy(to, from, rowBytes);
            continue;
        }
        for (size_t x = 0; x < rowBytes; x += 3) {
            to[x] = from[x + 2];
            to[x + 1] = from[x + 1];
            to[x + 2] = from[x];
        }
    }
}

uint8_t* VideoInput::GetPixels(int index, bool flipRedAndBlue, bool flipImage) {
    if (!valid_index(index)) return nullptr;
    if (isDeviceOpen(index)) GetPixels(index, devices[index]->frameBuffer.get(), flipRedAndBlue, flipImage);
    return devices[index]->frameBuffer.get();
}

bool VideoInput::GetPixels(int index, uint8_t* destination, bool flipRedAndBlue, bool flipImage) {
    if (!isDeviceOpen(index) || !destination) return false;
    VideoDevice& d = *devices[index];
    if (useCallback) {
        SampleGrabberCallback& cb = *d.callback;
        // Waits without the lock, so the streaming thread can finish its copy.
        if (!cb.frameReady.wait(kFrameWait)) return false;
        {
            std::lock_guard guard(cb.lock);
            copyFrame(cb.frame.get(), destination, d.frameWidth, d.frameHeight, flipRedAndBlue, flipImage);
            d.fetchedFrameTime = cb.frameCaptured;
            cb.newFrame = false;
        }
        cb.frameReady.reset();
        return true;
    }
    int32_t size = d.frameBytes;
    const bool got = !backend_->faults().fails(Step::get_current_buffer) &&
                     d.frames.getCurrentBuffer(size, d.grabBuffer.get());
    if (got && size == d.frameBytes) {
        copyFrame(d.grabBuffer.get(), destination, d.frameWidth, d.frameHeight, flipRedAndBlue, flipImage);
        return true;
    }
    if (size != d.frameBytes) say("ERROR: GetPixels() - bufferSizes do not match!\n");
    if (!got) say("ERROR: GetPixels() - Unable to grab frame for device %i\n", index);
    return false;
}

std::chrono::steady_clock::time_point VideoInput::frameTimeOf(int index) {
    return isDeviceOpen(index) ? devices[index]->fetchedFrameTime : std::chrono::steady_clock::time_point{};
}

void VideoInput::dropWaitingFrame(int index) {
    if (!isDeviceOpen(index) || !useCallback) return;
    SampleGrabberCallback& cb = *devices[index]->callback;
    // Under the lock: a frame handed over concurrently is either let go of here or comes after.
    std::lock_guard guard(cb.lock);
    cb.newFrame = false;
    cb.frameReady.reset();
}

bool VideoInput::hasNewFrame(int index) {
    if (!isDeviceOpen(index)) return false;
    if (!useCallback) return true;
    VideoDevice& d = *devices[index];
    bool result = false;
    bool frozen = false;
    {
        std::lock_guard guard(d.callback->lock);
        result = d.callback->newFrame;
        frozen = d.pollCount > 400 && d.callback->pollsSinceFrame > d.framesBeforeReconnect;
        d.callback->pollsSinceFrame += 1;
    }
    d.pollCount += 1;
    if (frozen && d.reconnectOnFreeze) {
        say("ERROR: Device seems frozen - attempting to reconnect\n");
        const bool reopened = reopenDevice(d.deviceIndex);
        say(reopened ? "SUCCESS: Able to reconnect to device\n" : "ERROR: Unable to reconnect to device\n");
    }
    return result;
}

bool VideoInput::reopenDevice(int index) {
    if (!isDeviceOpen(index)) return false;
    const VideoDevice& d = *devices[index];
    const uint32_t connection = d.connectorIndex;
    const int width = d.frameWidth;
    const int height = d.frameHeight;
    const bool standardRequested = d.standardRequested;
    const int32_t standard = d.analogStandard;
    const int32_t polls = d.framesBeforeReconnect;
    const bool recovery = d.reconnectOnFreeze;
    const int32_t frameTime = d.frameTime;
    const std::string identity = d.identity;

    closeDevice(index);
    if (frameTime != -1) devices[index]->frameTime = frameTime;
    // The same camera again, wherever it is listed now: never another camera in its place.
    devices[index]->identity = identity;
    if (!openDevice(index, width, height, static_cast<int>(connection))) {
        devices[index]->identity.clear();  // a later open takes the camera at the index again
        return false;
    }

    if (standardRequested) {
        for (int i = 0; i < 18; ++i) {
            if (analogStandards[i] == standard) {
                setAnalogStandard(index, i);
                break;
            }
        }
    }
    if (recovery) setFreezeRecovery(index, true, polls);
    return true;
}

}  // namespace capture
