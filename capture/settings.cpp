// Camera and filter settings of an open device: reading and writing the video-processing and
// camera-control properties, writing a fraction of a property's range snapped to its step, and
// the property pages. Every operation binds the device's camera anew and lets go of it before it
// returns; the pages keep a session of their own for as long as they are open.

#include <atomic>
#include <cmath>
#include <cstdint>

#include "capture/say.h"
#include "capture/settings_dialog.h"
#include "capture/video_device.h"
#include "capture/video_input.h"
#include "platform/console.h"

namespace capture {
namespace {

constexpr int32_t kFlagsAuto = 1;
constexpr int32_t kFlagsManual = 2;

std::atomic<int64_t> g_next_dialog{1};

// The property as the camera has it; nullopt when the family has no such number or the camera
// lacks it (the platform's range, get and set calls on it fail then).
std::optional<ControlInfo> property(CameraSession& camera, bool procAmp, int32_t number) {
    const std::optional<Control> id = procAmp ? proc_amp_control(number) : camera_control(number);
    if (!id) return std::nullopt;
    return camera.control(*id);
}

// What the platform's range call gives: minimum, maximum, step, default and what the property
// can do (automatic and/or manual). False when the camera lacks it: the outputs stay as they are.
bool get_range(const std::optional<ControlInfo>& c, int32_t& min, int32_t& max, int32_t& step, int32_t& def,
               int32_t& caps) {
    if (!c) return false;
    min = c->min;
    max = c->max;
    step = c->step;
    def = c->default_value;
    caps = kFlagsManual | (c->has_auto ? kFlagsAuto : 0);
    return true;
}

bool get_value(const std::optional<ControlInfo>& c, int32_t& value, int32_t& flags) {
    if (!c) return false;
    value = c->value;
    flags = c->automatic ? kFlagsAuto : kFlagsManual;
    return true;
}

// The platform's set call: flags must say automatic or manual.
bool set_value(CameraSession& camera, const std::optional<ControlInfo>& c, int32_t value, int32_t flags) {
    if (!c || (flags != kFlagsAuto && flags != kFlagsManual)) return false;
    return !camera.set_control(c->id, value, flags == kFlagsAuto);
}

const char* mode_text(int32_t flags) {
    if (flags == kFlagsAuto) return "Auto";
    if (flags == kFlagsManual) return "Manual";
    return "Unknown";
}

void say_range(int32_t property, int32_t min, int32_t max, int32_t step, int32_t def, int32_t flags) {
    say("Range for video setting %ld: Min:%ld Max:%ld SteppingDelta:%ld Default:%ld Flags:%ld\n",
        static_cast<long>(property), static_cast<long>(min), static_cast<long>(max), static_cast<long>(step),
        static_cast<long>(def), static_cast<long>(flags));
}

}  // namespace

std::unique_ptr<CameraSession> VideoInput::bindSettings(int index) {
    // The camera the device runs on, wherever the listing has it now.
    std::string identity = devices[index]->identity;
    char name[255];
    char16_t wideName[255];
    return getDevice(index, wideName, name, identity);
}

bool VideoInput::getSetting(Family family, int index, int32_t property_number, int32_t& min, int32_t& max,
                            int32_t& steppingDelta, int32_t& currentValue, int32_t& flags,
                            int32_t& defaultValue) {
    if (!isDeviceOpen(index)) return false;
    std::unique_ptr<CameraSession> camera = bindSettings(index);
    if (!camera) {
        platform::console_printf("setVideoSetting - getDevice Error\n");
        return false;
    }
    if (backend_->faults().fails(Step::settings_interface)) {
        platform::console_printf("setVideoSetting - QueryInterface Error\n");
        return false;
    }
    say("Setting video setting %ld.\n", static_cast<long>(property_number));
    const std::optional<ControlInfo> c = property(*camera, family == Family::procAmp, property_number);
    get_range(c, min, max, steppingDelta, defaultValue, flags);
    say_range(property_number, min, max, steppingDelta, defaultValue, flags);
    get_value(c, currentValue, flags);
    return true;
}

bool VideoInput::setSetting(Family family, int index, int32_t property_number, int32_t value, int32_t flags,
                            bool useDefault) {
    if (!isDeviceOpen(index)) return false;
    const bool camera_form = family == Family::camera;
    std::unique_ptr<CameraSession> camera = bindSettings(index);
    if (!camera) {
        if (!camera_form) platform::console_printf("setVideoSetting - getDevice Error\n");
        return false;
    }
    if (camera_form) say("Setting video setting %ld.\n", static_cast<long>(property_number));
    if (backend_->faults().fails(Step::settings_interface)) {
        platform::console_printf(camera_form ? "Error\n" : "setVideoSetting - QueryInterface Error\n");
        return false;
    }
    if (!camera_form) say("Setting video setting %ld.\n", static_cast<long>(property_number));
    const std::optional<ControlInfo> c = property(*camera, !camera_form, property_number);
    int32_t min = 0, max = 0, step = 0, current = 0, currentFlags = 0, def = 0;
    get_range(c, min, max, step, def, currentFlags);
    say_range(property_number, min, max, step, def, currentFlags);
    get_value(c, current, currentFlags);
    say("Current value: %ld Flags %ld (%s)\n", static_cast<long>(current), static_cast<long>(currentFlags),
        mode_text(currentFlags));
    // What the camera answers does not change the result: a property it lacks is still done.
    if (useDefault) {
        set_value(*camera, c, def, kFlagsAuto);
    } else {
        set_value(*camera, c, value, flags);
    }
    return true;
}

bool VideoInput::setSettingPercent(Family family, int index, int32_t property_number, float fraction,
                                   int32_t flags) {
    int32_t min = 0, max = 0, step = 0, current = 0, currentFlags = 0, def = 0;
    if (!getSetting(family, index, property_number, min, max, step, current, currentFlags, def)) return false;
    if (fraction > 1.0f) fraction = 1.0f;
    if (fraction < 0.0f) fraction = 0.0f;
    // Wide integers where the camera's numbers could overflow 32 bits; the arithmetic is the
    // float arithmetic of the rule.
    const float range = static_cast<float>(static_cast<int64_t>(max) - min);
    if (range <= 0.0f) return false;
    if (step == 0) return false;
    const float exact = static_cast<float>(min) + range * fraction;
    const auto value = static_cast<int64_t>(std::trunc(exact));
    int64_t result = 0;
    if (range == static_cast<float>(step)) {
        result = fraction < 0.5f ? min : max;
    } else {
        // Remainder of truncating division: the sign of the value. Values of 0 and more snap to
        // the nearest multiple of the step (half a step up); negative ones move up toward zero.
        const int64_t mod = value % step;
        result =
            static_cast<float>(mod) < static_cast<float>(step) * 0.5f ? value - mod : value + (step - mod);
        platform::console_printf(
            "RASTER - pctValue is %f - value is %i - step is %i - mod is %i - rasterValue is %i\n",
            static_cast<double>(fraction), static_cast<int>(value), static_cast<int>(step),
            static_cast<int>(mod), static_cast<int>(result));
    }
    return setSetting(family, index, property_number, static_cast<int32_t>(result), flags, false);
}

bool VideoInput::getProcAmpSetting(int index, int32_t property, int32_t& min, int32_t& max,
                                   int32_t& steppingDelta, int32_t& currentValue, int32_t& flags,
                                   int32_t& defaultValue) {
    return getSetting(Family::procAmp, index, property, min, max, steppingDelta, currentValue, flags,
                      defaultValue);
}

bool VideoInput::setProcAmpSetting(int index, int32_t property, int32_t value, int32_t flags,
                                   bool useDefault) {
    return setSetting(Family::procAmp, index, property, value, flags, useDefault);
}

bool VideoInput::setProcAmpSettingPercent(int index, int32_t property, float fraction, int32_t flags) {
    return setSettingPercent(Family::procAmp, index, property, fraction, flags);
}

bool VideoInput::getCameraSetting(int index, int32_t property, int32_t& min, int32_t& max,
                                  int32_t& steppingDelta, int32_t& currentValue, int32_t& flags,
                                  int32_t& defaultValue) {
    return getSetting(Family::camera, index, property, min, max, steppingDelta, currentValue, flags,
                      defaultValue);
}

bool VideoInput::setCameraSetting(int index, int32_t property, int32_t value, int32_t flags,
                                  bool useDefault) {
    return setSetting(Family::camera, index, property, value, flags, useDefault);
}

bool VideoInput::setCameraSettingPercent(int index, int32_t property, float fraction, int32_t flags) {
    return setSettingPercent(Family::camera, index, property, fraction, flags);
}

int64_t VideoInput::openSettingsDialog(int index) {
    if (!isDeviceOpen(index)) return 0;
    std::unique_ptr<CameraSession> camera = bindSettings(index);
    if (!camera) return kSettingsNotBound;
    VideoDevice& d = *devices[index];
    std::erase_if(d.dialogs,
                  [](const std::unique_ptr<SettingsDialog>& dialog) { return !dialog->running(); });
    const std::string title = std::string(d.name) + " (device " + std::to_string(index) + ")";
    d.dialogs.push_back(std::make_unique<SettingsDialog>(std::move(camera), title));
    return g_next_dialog++;
}

bool VideoInput::settingsDialogOpen(int index) {
    if (!valid_index(index)) return false;
    for (const auto& dialog : devices[index]->dialogs) {
        if (dialog->running()) return true;
    }
    return false;
}

}  // namespace capture
