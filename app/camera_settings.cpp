#include "app/camera_settings.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "capture/video_device.h"
#include "capture/video_input.h"
#include "files/field_splitter.h"
#include "files/line_messages.h"
#include "files/text_lines.h"
#include "platform/console.h"

namespace app {
namespace {

constexpr int32_t kFlagsAuto = 1;
constexpr int32_t kFlagsManual = 2;

std::string trimmed(std::string_view text) {
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

// The whole text as a number of type T; false for anything else.
template <typename T>
bool whole_number(const std::string& text, T& out) {
    if (text.empty()) return false;
    const char* begin = text.c_str();
    if (*begin == '+') ++begin;
    const char* end = text.c_str() + text.size();
    const auto [at, ec] = std::from_chars(begin, end, out);
    return ec == std::errc() && at == end;
}

bool parse_value(const std::string& value, CameraSetting& setting, std::string& error) {
    if (value == "auto") {
        setting.kind = CameraSetting::Kind::automatic;
        return true;
    }
    if (value == "default") {
        setting.kind = CameraSetting::Kind::standard;
        return true;
    }
    if (!value.empty() && value.back() == '%') {
        float percent = 0.f;
        if (!whole_number(value.substr(0, value.size() - 1), percent) ||
            !(percent >= 0.f && percent <= 100.f)) {
            error = "'" + value + "' is not a percentage from 0% to 100%";
            return false;
        }
        setting.kind = CameraSetting::Kind::percent;
        setting.percent = percent;
        return true;
    }
    int32_t number = 0;
    if (!whole_number(value, number)) {
        error = "'" + value + "' is not a value (a whole number, a percentage like 50%, auto or default)";
        return false;
    }
    setting.kind = CameraSetting::Kind::value;
    setting.value = number;
    return true;
}

bool parse_control(const std::string& name, CameraSetting& setting, std::string& error) {
    const std::optional<capture::Control> control = capture::control_by_name(name);
    if (!control) {
        error = "unknown camera control '" + name + "' (controls: " + control_names() + ")";
        return false;
    }
    setting.control = *control;
    return true;
}

std::string range_text(const capture::ControlInfo& c) {
    return std::to_string(c.min) + ".." + std::to_string(c.max);
}

// What the camera has, for an error line: "brightness 0..255, gain 0..255, exposure 1..5000 or auto".
std::string controls_text(const std::vector<capture::ControlInfo>& controls) {
    if (controls.empty()) return "no controls";
    std::string text;
    for (const capture::ControlInfo& c : controls) {
        if (!text.empty()) text += ", ";
        text +=
            std::string(capture::control_name(c.id)) + " " + range_text(c) + (c.has_auto ? " or auto" : "");
    }
    return text;
}

// Through the library's operation of the control's family.
bool set_setting(capture::VideoInput& VI, int index, capture::Control id, int32_t value, int32_t flags,
                 bool use_default) {
    const int32_t property = capture::property_of(id);
    return capture::is_proc_amp(id) ? VI.setProcAmpSetting(index, property, value, flags, use_default)
                                    : VI.setCameraSetting(index, property, value, flags, use_default);
}

bool set_percent(capture::VideoInput& VI, int index, capture::Control id, float fraction) {
    const int32_t property = capture::property_of(id);
    return capture::is_proc_amp(id) ? VI.setProcAmpSettingPercent(index, property, fraction, kFlagsManual)
                                    : VI.setCameraSettingPercent(index, property, fraction, kFlagsManual);
}

bool apply_one(capture::VideoInput& VI, int index, const CameraSetting& s) {
    capture::CameraSession* camera = VI.devices[index]->camera.get();
    const std::vector<capture::ControlInfo> controls = camera->controls();
    const auto it = std::find_if(controls.begin(), controls.end(),
                                 [&](const capture::ControlInfo& c) { return c.id == s.control; });
    const char* name = capture::control_name(s.control);
    if (it == controls.end()) {
        platform::console_printf("camera %d: %s: the camera has no %s; it has %s\n", index, s.text.c_str(),
                                 name, controls_text(controls).c_str());
        return false;
    }
    const capture::ControlInfo& c = *it;
    bool done = false;
    switch (s.kind) {
        case CameraSetting::Kind::value:
            if (s.value < c.min || s.value > c.max) {
                platform::console_printf(
                    "camera %d: %s: out of range; %s takes %s in steps of %d (default %d)\n", index,
                    s.text.c_str(), name, range_text(c).c_str(), c.step, c.default_value);
                return false;
            }
            done = set_setting(VI, index, s.control, s.value, kFlagsManual, false);
            break;
        case CameraSetting::Kind::percent:
            done = set_percent(VI, index, s.control, s.percent / 100.f);
            break;
        case CameraSetting::Kind::automatic:
            if (!c.has_auto) {
                platform::console_printf(
                    "camera %d: %s: %s has no automatic mode on this camera; it has %s\n", index,
                    s.text.c_str(), name, controls_text(controls).c_str());
                return false;
            }
            done = set_setting(VI, index, s.control, c.value, kFlagsAuto, false);
            break;
        case CameraSetting::Kind::standard:
            done = set_setting(VI, index, s.control, 0, 0, true);
            break;
    }
    const std::optional<capture::ControlInfo> now = camera->control(s.control);
    if (!done || !now) {
        platform::console_printf("camera %d: %s: the camera did not take it\n", index, s.text.c_str());
        return false;
    }
    // The camera may refuse a value (one past the range after snapping, say): the line says what it has.
    const bool taken = s.kind != CameraSetting::Kind::value || now->value == s.value || now->automatic;
    platform::console_printf("camera %d: %s -> %s %d%s%s\n", index, s.text.c_str(), name, now->value,
                             now->automatic ? " (auto)" : "", taken ? "" : " (not taken)");
    return taken;
}

}  // namespace

std::string control_names() {
    std::string names;
    for (int i = 0; i < capture::kControlCount; ++i) {
        if (i > 0) names += ", ";
        names += capture::control_name(static_cast<capture::Control>(i));
    }
    return names;
}

bool parse_camera_setting(const std::string& text, CameraSetting& setting, std::string& error) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error = "'" + text + "' is not NAME=VALUE";
        return false;
    }
    CameraSetting s;
    s.text = text;
    if (!parse_control(text.substr(0, equals), s, error)) return false;
    if (!parse_value(text.substr(equals + 1), s, error)) return false;
    setting = std::move(s);
    return true;
}

std::vector<CameraSetting> read_camera_settings_file(const std::string& path) {
    std::vector<CameraSetting> settings;
    if (platform::entry_kind(path) == "missing") return settings;  // no settings pinned
    std::string text;
    platform::InputError error;
    if (!files::read_text_file(path, text, error)) {
        platform::console_printf("camera settings not read: %s\n",
                                 platform::input_problem_text(path, error).c_str());
        return settings;
    }
    files::LineMessageScope messages(path);
    files::TextLines lines(text);
    char work[256];
    files::FieldArray fields;
    int number = 0;
    bool line_start = true;
    while (lines.next(work, sizeof work)) {
        if (line_start) ++number;
        const bool whole = std::strchr(work, '\n') != nullptr;
        const bool first_piece = line_start;
        line_start = whole;
        if (!first_piece) continue;  // the rest of an over-long line: named with its start
        const std::string line = trimmed(work);
        if (line.empty() || line[0] == '#') continue;
        auto skip = [&](const std::string& why) {
            files::print_line_message(files::LineMessageKind::bad_camera_setting, "%s line %d skipped: '%s': %s\n",
                               path.c_str(), number, line.c_str(), why.c_str());
        };
        if (!whole && std::strlen(work) == sizeof work - 1) {
            skip("longer than " + std::to_string(sizeof work - 2) + " characters");
            continue;
        }
        const int count = files::devide_into_field(work, ",", fields);
        if (count != 3) {
            skip("not index,name,value");
            continue;
        }
        CameraSetting s;
        const std::string index = trimmed(fields[0]);
        if (index != "0" && index != "1") {
            skip("the camera index is 0 or 1");
            continue;
        }
        s.camera = index[0] - '0';
        const std::string name = trimmed(fields[1]);
        const std::string value = trimmed(fields[2]);
        s.text = name + "=" + value;
        std::string why;
        if (!parse_control(name, s, why) || !parse_value(value, s, why)) {
            skip(why);
            continue;
        }
        settings.push_back(std::move(s));
    }
    return settings;
}

bool apply_camera_settings(capture::VideoInput& VI, const std::vector<CameraSetting>& settings,
                           const std::vector<int>& devices) {
    bool all = true;
    for (const int index : devices) {
        if (!VI.isDeviceOpen(index)) continue;
        for (const CameraSetting& s : settings) {
            if (s.camera >= 0 && s.camera != index) continue;
            all = apply_one(VI, index, s) && all;
        }
    }
    platform::console_flush();
    return all;
}

}  // namespace app
