#include "bench/bench_frames.h"

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <random>

#include "recog/recog_types.h"
#include "recog/working_images.h"
#include "sim/renderer.h"
#include "sim/scene.h"

namespace bench {

namespace {

void unit(float out[3], double red, double green, double blue) {
    const double m = std::sqrt(red * red + green * green + blue * blue);
    out[0] = static_cast<float>(red / m);
    out[1] = static_cast<float>(green / m);
    out[2] = static_cast<float>(blue / m);
}

// Random colours per pixel; about half of them a cone colour at a random brightness.
cv::Mat noise_frame() {
    cv::Mat frame(recog::kFrameHeight, recog::kFrameWidth, CV_8UC3);
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_real_distribution<double> brightness(0.2, 1.1);
    const sim::Rgb cone = sim::Cone{}.color;
    for (int y = 0; y < frame.rows; ++y) {
        for (int x = 0; x < frame.cols; ++x) {
            cv::Vec3b& p = frame.at<cv::Vec3b>(y, x);
            if (rng() % 2) {
                const double b = brightness(rng);
                p = cv::Vec3b(cv::saturate_cast<uint8_t>(cone.b * b + byte(rng) % 9 - 4),
                              cv::saturate_cast<uint8_t>(cone.g * b + byte(rng) % 9 - 4),
                              cv::saturate_cast<uint8_t>(cone.r * b + byte(rng) % 9 - 4));
            } else {
                p = cv::Vec3b(static_cast<uint8_t>(byte(rng)), static_cast<uint8_t>(byte(rng)),
                              static_cast<uint8_t>(byte(rng)));
            }
        }
    }
    return frame;
}

}  // namespace

const char* frame_kind_name(FrameKind kind) {
    switch (kind) {
        case FrameKind::scene: return "scene";
        case FrameKind::clutter: return "clutter";
        case FrameKind::noise: return "noise";
    }
    return "?";
}

const ColourReference& cone_reference() {
    static const ColourReference reference = [] {
        ColourReference r{};
        const sim::Rgb cone = sim::Cone{}.color;
        unit(r.colors[0], 200, 40, 40);
        unit(r.colors[1], 255, 90, 60);
        unit(r.colors[2], cone.r, cone.g, cone.b);
        r.count = 3;
        r.th = 0.2f;
        return r;
    }();
    return reference;
}

cv::Mat colour_frame(FrameKind kind) {
    if (kind == FrameKind::noise) return noise_frame();
    // The default cones, with sensor noise and shading, as the simulated left camera sees them.
    sim::Scene scene = sim::default_scene();
    scene.noise = 3.0;
    scene.shading = true;
    scene.bands = true;
    if (kind == FrameKind::clutter) scene.clutter = 600;  // every third blob is cone-coloured
    return sim::render(scene, sim::View::left);
}

std::vector<uint8_t> binary_plane(FrameKind kind) {
    cv::Mat frame = colour_frame(kind);
    const ColourReference& ref = cone_reference();
    recog::color_binarize(frame, ref.colors, ref.count, ref.th);
    cv::Mat grey;
    cv::extractChannel(frame, grey, 0);
    std::vector<uint8_t> plane(recog::kFramePixels);
    recog::image_to_plane(grey, plane.data());
    return plane;
}

}  // namespace bench
