#pragma once
// A scene for the simulated cameras: cones standing in front of the stereo rig, a background and
// image options. Lengths are in baseline units; x is the distance ahead, y sideways (positive to the
// left), z up, all measured at the cone's centre.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

struct Cone {
    double x = 1000, y = 0, z = 0;   // position of the centre
    double height = 60, width = 40;  // silhouette extents
    Rgb color{230, 116, 132};
};

struct Scene {
    std::vector<Cone> cones;
    Rgb background{96, 112, 96};
    int clutter = 0;       // number of small background blobs
    uint32_t seed = 1;     // drives clutter and noise
    double noise = 0.0;    // standard deviation of sensor noise, in grey levels
    bool shading = false;  // brightness falls off towards the cone's base
    bool bands = false;    // white reflective bands across each cone
};

// Focal length of the simulated stereo rig's cameras, in pixels of their 320 x 240 frames.
inline constexpr double kStereoFocal = 295.0;

// A cone at (x, y, z) whose silhouette is `pixels` tall (and 0.7 as wide) in the stereo views.
Cone cone_of_height(double x, double y, double z, double pixels);

// Most clutter blobs a scene may ask for.
inline constexpr int kMaxClutter = 10000;

// A few cones between 500 and 4000 units ahead, both sides of the centre line.
Scene default_scene();
// Scene file text: one keyword per line ('#' starts a comment), e.g.
//   seed 7 | background R G B | clutter N | noise SIGMA | shading on|off | bands on|off
//   cone X Y Z HEIGHT WIDTH [R G B]
// false with a message "line N: reason" on a bad line; `out` is then left as it was.
bool parse_scene(std::string_view text, Scene& out, std::string& error);
// Reads and parses a scene file; the message then also names the file.
bool load_scene(const std::string& path, Scene& out, std::string& error);
// Scene file text that parse_scene reads back to the same scene (for any scene it accepts).
std::string format_scene(const Scene& scene);

}  // namespace sim
