#pragma once
// Cones for test scenes, sized by how tall they should look in the stereo views.

#include "sim/scene.h"

namespace test_support {

// A cone whose silhouette is `pixels` tall (and 0.7 as wide) in the left or right view at its
// distance x.
inline sim::Cone cone_at(double x, double y, double z, double pixels) {
    constexpr double kFocal = 295.0;
    sim::Cone c;
    c.x = x;
    c.y = y;
    c.z = z;
    c.height = pixels * x / kFocal;
    c.width = 0.7 * c.height;
    return c;
}

}  // namespace test_support
