#include "recog/calc_2d.h"

#include <cmath>

namespace recog {

void Calc2D::rotate_points(double (*points)[2], double center_x, double center_y, double angle, int n) const {
    // Three passes (to the centre, turn, back) so every value is rounded the same way as the
    // shape measures have always been computed.
    for (int i = 0; i < n; ++i) {
        points[i][0] -= center_x;
        points[i][1] -= center_y;
    }
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    for (int i = 0; i < n; ++i) {
        const double dx = points[i][0];
        const double dy = points[i][1];
        points[i][0] = dx * c - dy * s;
        points[i][1] = dy * c + dx * s;
    }
    for (int i = 0; i < n; ++i) {
        points[i][0] += center_x;
        points[i][1] += center_y;
    }
}

void Calc2D::shift_points(double (*points)[2], const double offset[2], int n, double factor) const {
    const double ox = factor * offset[0];
    const double oy = factor * offset[1];
    for (int i = 0; i < n; ++i) {
        points[i][0] += ox;
        points[i][1] += oy;
    }
}

}  // namespace recog
