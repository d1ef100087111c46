#include "capture/settings_dialog.h"

#include <algorithm>
#include <cstdio>

#include "platform/console.h"
#include "platform/property_page.h"

namespace capture {
namespace {

// A slider of the page: a property's value in steps from its minimum, or its automatic mode.
struct SliderRole {
    ControlInfo control;
    bool mode = false;
};

int32_t step_of(const ControlInfo& c) { return std::max(c.step, 1); }

}  // namespace

std::vector<std::string> property_lines(const std::vector<ControlInfo>& controls) {
    std::vector<std::string> lines;
    for (const ControlInfo& c : controls) {
        char line[160];
        std::snprintf(line, sizeof line, "%-22s %d..%d step %d, default %d, value %d, %s", control_name(c.id),
                      c.min, c.max, c.step, c.default_value, c.value, c.automatic ? "auto" : "manual");
        lines.emplace_back(line);
    }
    return lines;
}

SettingsDialog::SettingsDialog(std::unique_ptr<CameraSession> camera, std::string title)
    : camera_(std::move(camera)),
      title_(std::move(title)),
      thread_([this](std::stop_token stop) { run(stop); }) {}

SettingsDialog::~SettingsDialog() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
}

void SettingsDialog::run(std::stop_token stop) {
    std::vector<ControlInfo> controls = camera_->controls();
    std::vector<SliderRole> roles;
    std::vector<platform::PageSlider> sliders;
    for (const ControlInfo& c : controls) {
        const int32_t step = step_of(c);
        const int64_t span = (static_cast<int64_t>(c.max) - c.min) / step;
        sliders.push_back({control_name(c.id), static_cast<int>(std::clamp<int64_t>(span, 0, 1 << 20)),
                           static_cast<int>((static_cast<int64_t>(c.value) - c.min) / step)});
        roles.push_back({c, false});
        if (c.has_auto) {
            sliders.push_back({std::string(control_name(c.id)) + " auto", 1, c.automatic ? 1 : 0});
            roles.push_back({c, true});
        }
    }
    auto page =
        std::make_shared<platform::PropertyPage>(title_, std::move(sliders), property_lines(controls));
    if (!platform::post_property_page(page)) {
        // No windows: the pages are the properties as they are now.
        std::string text = "Properties of " + title_ + ":\n";
        if (controls.empty()) text += "  (none)\n";
        for (const std::string& line : property_lines(controls)) text += "  " + line + "\n";
        platform::console_write(text);
        platform::console_flush();
        done_ = true;
        return;
    }
    while (!stop.stop_requested() && !page->closed()) {
        for (const platform::SliderMove& move : page->wait(stop)) {
            if (move.slider >= roles.size()) continue;
            const SliderRole& role = roles[move.slider];
            const ControlInfo& c = role.control;
            if (role.mode) {
                const std::optional<ControlInfo> now = camera_->control(c.id);
                camera_->set_control(c.id, now ? now->value : c.value, move.position != 0);
            } else {
                const int64_t value = c.min + static_cast<int64_t>(move.position) * step_of(c);
                camera_->set_control(c.id, static_cast<int32_t>(std::min<int64_t>(value, c.max)), false);
            }
        }
        page->set_lines(property_lines(camera_->controls()));
    }
    page->close();
    done_ = true;
}

}  // namespace capture
