#include "capture/sim/sim_stereo_rig.h"

#include <cstring>
#include <mutex>
#include <opencv2/imgproc.hpp>

#include "sim/renderer.h"

namespace capture {
namespace {

// Paints one camera's view. Without sensor noise every frame is the same picture, so the last
// one is kept and reused instead of rendered again.
class ViewPainter {
public:
    ViewPainter(std::shared_ptr<const ::sim::Scene> scene, ::sim::View view)
        : scene_(std::move(scene)), view_(view) {}

    void paint(uint64_t frame_index, int width, int height, uint8_t* bgr) {
        std::lock_guard lock(mutex_);
        bool still = scene_->noise <= 0.0;
        if (!still || cached_.empty() || cached_.cols != width || cached_.rows != height) {
            cv::Mat view = ::sim::render(*scene_, view_, frame_index);
            if (view.cols != width || view.rows != height) {
                cv::Mat resized;
                cv::resize(view, resized, cv::Size(width, height), 0, 0, cv::INTER_LINEAR);
                view = resized;
            }
            cached_ = view;
        }
        // The rig delivers rows bottom-up.
        const size_t row = static_cast<size_t>(width) * 3;
        for (int y = 0; y < height; ++y) {
            std::memcpy(bgr + row * static_cast<size_t>(height - 1 - y), cached_.ptr(y), row);
        }
    }

private:
    std::shared_ptr<const ::sim::Scene> scene_;
    ::sim::View view_;
    std::mutex mutex_;
    cv::Mat cached_;
};

SimDeviceConfig rig_camera(std::string name, std::shared_ptr<ViewPainter> painter, int stall_after, int stall_ms) {
    SimDeviceConfig c;
    c.friendly_name = std::move(name);
    c.description = "Simulated USB camera";
    c.width = 640;
    c.height = 480;
    c.subtype = subtype::YUY2;
    c.avg_time_per_frame = 333333;
    // A webcam's usual list: fixed sizes, each in RGB24 and YUY2.
    for (const uint32_t format : {subtype::YUY2, subtype::RGB24}) {
        for (auto [w, h] : {std::pair{640, 480}, std::pair{320, 240}, std::pair{160, 120}}) {
            c.capabilities.push_back(FormatRange{format, w, h, w, h, 1, 1});
        }
    }
    // A webcam's usual controls; at their defaults the picture is the scene as rendered.
    auto control = [&c](Control id, int32_t min, int32_t max, int32_t step, int32_t def, bool has_auto = false) {
        c.controls[id] = ControlInfo{id, min, max, step, def, def, has_auto, has_auto};
    };
    control(Control::brightness, 0, 255, 1, 128);
    control(Control::contrast, 0, 255, 1, 128);
    control(Control::saturation, 0, 255, 1, 128);
    control(Control::gain, 0, 255, 1, 64);
    control(Control::white_balance, 2800, 6500, 10, 4600, true);
    control(Control::exposure, 1, 5000, 1, 156, true);
    c.frames_per_second = 30;
    c.stall_after = stall_after;
    c.stall_ms = stall_ms;
    c.painter = [painter](uint64_t frame, int w, int h, uint8_t* bgr) { painter->paint(frame, w, h, bgr); };
    return c;
}

}  // namespace

std::shared_ptr<SimBackend> make_sim_stereo_rig(const ::sim::Scene& scene, int stall_after, int stall_ms) {
    auto shared_scene = std::make_shared<const ::sim::Scene>(scene);
    auto rig = std::make_shared<SimBackend>();
    rig->add_device(rig_camera("Simulated Left Camera",
                               std::make_shared<ViewPainter>(shared_scene, ::sim::View::left), stall_after,
                               stall_ms));
    rig->add_device(rig_camera("Simulated Right Camera",
                               std::make_shared<ViewPainter>(shared_scene, ::sim::View::right), stall_after,
                               stall_ms));
    return rig;
}

}  // namespace capture
