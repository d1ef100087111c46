#pragma once

namespace recog {
// Point-array geometry of the shape decision: turning and shifting the gathered pixels of an area.

// A stateless value: points are pairs of doubles (x, y), changed in place.
class Calc2D {
public:
    // Turns the first n points by angle (radians) about (center_x, center_y):
    // (dx, dy) -> (dx cos - dy sin, dy cos + dx sin).
    void rotate_points(double (*points)[2], double center_x, double center_y, double angle, int n) const;
    // Adds factor x offset to each of the first n points.
    void shift_points(double (*points)[2], const double offset[2], int n, double factor) const;
};

}  // namespace recog
