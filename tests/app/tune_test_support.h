#pragma once
// Boxes around rendered cones, as a user would draw them for colour tuning.

#include <cmath>

#include "recog/color_tuning.h"
#include "sim/renderer.h"

namespace test_support {

// A box two pixels larger on every side than the cone's silhouette in the view.
inline recog::PixelBox box_around(const sim::Cone& cone, sim::View view) {
    const sim::ConeTruth t = sim::project(cone, view);
    const int x0 = static_cast<int>(std::floor(t.min_col)) - 2,
              x1 = static_cast<int>(std::ceil(t.max_col)) + 2;
    const int y0 = static_cast<int>(std::floor(t.min_row)) - 2,
              y1 = static_cast<int>(std::ceil(t.max_row)) + 2;
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

}  // namespace test_support
