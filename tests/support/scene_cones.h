#pragma once
// Cones for test scenes, sized by how tall they should look in the stereo views.

#include "sim/scene.h"

namespace test_support {

// A cone whose silhouette is `pixels` tall (and 0.7 as wide) in the left or right view at its
// distance x.
inline sim::Cone cone_at(double x, double y, double z, double pixels) {
    return sim::cone_of_height(x, y, z, pixels);
}

}  // namespace test_support
