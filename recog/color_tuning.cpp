#include "recog/color_tuning.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <opencv2/core.hpp>

#include "files/color_file.h"
#include "files/request_file.h"
#include "recog/working_images.h"

namespace recog {

namespace {

// As many clusters as a camera may take colours: the selection below keeps the useful ones.
constexpr int kClusters = kMaxTunedColors;
constexpr int kMeansRounds = 30;
// A colour is added only when it raises the score (box share - background share) by this much,
// and only when the share of box pixels it adds is at least this many times the share of
// background pixels it adds: a colour as common outside the boxes as inside does not stand out.
constexpr double kMinGain = 0.005;
constexpr double kMinLift = 3.0;
// When colours are chosen, a threshold costs this much score per unit: a wide threshold takes in
// colours that the pictures do not show, so two colours with a narrow one beat one with a wide one.
constexpr double kThresholdPrice = 0.2;
// The threshold range around the best score, per camera with boxes: below the best threshold the
// score may fall by 1 % (box pixels lost), above it by 0.1 % (background pixels gained).
constexpr double kPlateauBelow = 0.01;
constexpr double kPlateauAbove = 0.001;
// Without any colour there is nothing to choose: the service's start value.
constexpr int kStartThreshold = 200;

struct Unit {
    double r = 0, g = 0, b = 0;
};

double squared_distance(const Unit& a, const Unit& b) {
    const double dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

// The colour direction as the colour test computes it; false for a black pixel, which has none.
bool unit_of(const uint8_t* bgr, Unit& u) {
    const double blue = bgr[0], green = bgr[1], red = bgr[2];
    const double m = std::sqrt(red * red + green * green + blue * blue);
    if (!(m > 0)) return false;
    u = {red / m, green / m, blue / m};
    return true;
}

// 1 inside any of the view's boxes (clipped to the picture), 0 elsewhere.
cv::Mat box_mask(const TuningView& view) {
    cv::Mat mask = cv::Mat::zeros(view.picture->size(), CV_8U);
    const cv::Rect whole(0, 0, mask.cols, mask.rows);
    for (const PixelBox& b : view.boxes) {
        const cv::Rect r = cv::Rect(b.x, b.y, b.w, b.h) & whole;
        if (r.area() > 0) mask(r).setTo(1);
    }
    return mask;
}

// One camera's pixels as the tuning sees them.
struct CameraPixels {
    std::vector<Unit> units;      // every pixel with a direction
    std::vector<uint8_t> in_box;  // per unit
    int box_pixels = 0;           // all box pixels, black ones too
    int background_pixels = 0;
};

CameraPixels gather(const TuningView& view) {
    CameraPixels px;
    const cv::Mat mask = box_mask(view);
    const cv::Mat& picture = *view.picture;
    px.units.reserve(picture.total());
    px.in_box.reserve(picture.total());
    for (int y = 0; y < picture.rows; ++y) {
        const uint8_t* row = picture.ptr<uint8_t>(y);
        const uint8_t* boxed = mask.ptr<uint8_t>(y);
        for (int x = 0; x < picture.cols; ++x) {
            (boxed[x] ? px.box_pixels : px.background_pixels)++;
            Unit u;
            if (!unit_of(row + 3 * x, u)) continue;
            px.units.push_back(u);
            px.in_box.push_back(boxed[x]);
        }
    }
    return px;
}

Unit mean_direction(const std::vector<Unit>& points, const std::vector<int>& members) {
    Unit sum;
    for (int i : members) {
        sum.r += points[i].r;
        sum.g += points[i].g;
        sum.b += points[i].b;
    }
    const double m = std::sqrt(sum.r * sum.r + sum.g * sum.g + sum.b * sum.b);
    return m > 0 ? Unit{sum.r / m, sum.g / m, sum.b / m} : Unit{};
}

double spread(const std::vector<Unit>& points, const std::vector<int>& members, int* widest_axis) {
    double sum[3] = {}, square[3] = {};
    for (int i : members) {
        const double v[3] = {points[i].r, points[i].g, points[i].b};
        for (int a = 0; a < 3; ++a) {
            sum[a] += v[a];
            square[a] += v[a] * v[a];
        }
    }
    double total = 0, widest = -1;
    for (int a = 0; a < 3; ++a) {
        const double s = square[a] - sum[a] * sum[a] / members.size();
        total += s;
        if (s > widest) {
            widest = s;
            *widest_axis = a;
        }
    }
    return total;
}

// Up to k cluster directions of the points: median cut (always splitting the group with the
// largest spread at the median of its widest axis) gives the start, k-means rounds refine it.
// No randomness, so the same pixels give the same clusters.
std::vector<Unit> cluster_directions(const std::vector<Unit>& points, int k) {
    if (points.empty()) return {};
    std::vector<std::vector<int>> groups(1);
    groups[0].resize(points.size());
    for (size_t i = 0; i < points.size(); ++i) groups[0][i] = static_cast<int>(i);
    while (static_cast<int>(groups.size()) < k) {
        int pick = -1, axis = 0;
        double largest = 1e-12;
        for (size_t g = 0; g < groups.size(); ++g) {
            if (groups[g].size() < 2) continue;
            int a = 0;
            const double s = spread(points, groups[g], &a);
            if (s > largest) {
                largest = s;
                pick = static_cast<int>(g);
                axis = a;
            }
        }
        if (pick < 0) break;
        std::vector<int>& group = groups[pick];
        const auto coordinate = [&](int i) {
            return axis == 0 ? points[i].r : axis == 1 ? points[i].g : points[i].b;
        };
        const auto middle = group.begin() + group.size() / 2;
        std::nth_element(group.begin(), middle, group.end(), [&](int a, int b) {
            return coordinate(a) < coordinate(b) || (coordinate(a) == coordinate(b) && a < b);
        });
        std::vector<int> upper(middle, group.end());
        group.erase(middle, group.end());
        groups.push_back(std::move(upper));
    }
    std::vector<Unit> centres;
    for (const auto& g : groups) centres.push_back(mean_direction(points, g));

    std::vector<int> owner(points.size(), -1);
    for (int round = 0; round < kMeansRounds; ++round) {
        bool moved = false;
        for (size_t i = 0; i < points.size(); ++i) {
            int best = 0;
            double best_d = squared_distance(points[i], centres[0]);
            for (size_t c = 1; c < centres.size(); ++c) {
                const double d = squared_distance(points[i], centres[c]);
                if (d < best_d) {
                    best_d = d;
                    best = static_cast<int>(c);
                }
            }
            moved = moved || owner[i] != best;
            owner[i] = best;
        }
        if (!moved) break;
        std::vector<std::vector<int>> members(centres.size());
        for (size_t i = 0; i < points.size(); ++i) members[owner[i]].push_back(static_cast<int>(i));
        // A cluster that lost all its points is dropped; the owners are renumbered next round.
        std::vector<Unit> next;
        for (const auto& m : members) {
            if (!m.empty()) next.push_back(mean_direction(points, m));
        }
        centres = std::move(next);
    }
    return centres;
}

// The file's numbers for a direction: largest component 255, one decimal, as a user would write
// them; the colour test sees them only after scaling to unit length.
void file_values(const Unit& u, float out[3]) {
    const double largest = std::max({u.r, u.g, u.b});
    const double v[3] = {u.r, u.g, u.b};
    for (int a = 0; a < 3; ++a) {
        out[a] = largest > 0 ? static_cast<float>(std::round(v[a] / largest * 2550.0) / 10.0) : 0.0f;
    }
}

// Chord distances of the pixels to one unit reference colour (widened from float as the colour test
// widens it).
std::vector<float> distances_to(const CameraPixels& px, const float e[3]) {
    const Unit ref{e[0], e[1], e[2]};
    std::vector<float> d(px.units.size());
    for (size_t i = 0; i < px.units.size(); ++i) {
        d[i] = static_cast<float>(std::sqrt(squared_distance(px.units[i], ref)));
    }
    return d;
}

void take_nearer(std::vector<float>& nearest, const std::vector<float>& d) {
    for (size_t i = 0; i < d.size(); ++i) {
        if (d[i] < nearest[i]) nearest[i] = d[i];
    }
}

// The shares of box and of background pixels closer than j / 1000 to one of the colours, whose
// nearest distances are min(nearest, extra) (extra may be null). The score weighs shares, not
// counts: the background also holds the cones that were not boxed, as many pixels of the cone's
// colour as the boxes hold, and the boxes hold background too.
struct Curve {
    std::array<double, kThresholdSteps + 1> box{}, background{};
    double score(int j) const { return box[j] - background[j]; }
};

Curve match_curve(const CameraPixels& px, const std::vector<float>& nearest,
                  const std::vector<float>* extra) {
    std::array<long, kThresholdSteps + 1> box_step{}, background_step{};
    for (size_t i = 0; i < nearest.size(); ++i) {
        float d = nearest[i];
        if (extra && (*extra)[i] < d) d = (*extra)[i];
        if (!(d < 1.0f)) continue;  // beyond every threshold on offer, or no colour at all
        // d < j / 1000 holds from j = floor(1000 d) + 1 on.
        const int first = static_cast<int>(d * kThresholdSteps) + 1;
        if (first <= kThresholdSteps) ++(px.in_box[i] ? box_step : background_step)[first];
    }
    const double box_weight = px.box_pixels ? 1.0 / px.box_pixels : 0.0;
    const double background_weight = px.background_pixels ? 1.0 / px.background_pixels : 0.0;
    Curve curve;
    long box = 0, background = 0;
    for (int j = 0; j <= kThresholdSteps; ++j) {
        box += box_step[j];
        background += background_step[j];
        curve.box[j] = box * box_weight;
        curve.background[j] = background * background_weight;
    }
    return curve;
}

// The threshold with the best score less the threshold's price, and that value.
struct Best {
    int j = 1;
    double value = -2.0;
};

Best best_of(const Curve& curve) {
    Best best;
    for (int j = 1; j <= kThresholdSteps; ++j) {
        const double v = curve.score(j) - kThresholdPrice * j / kThresholdSteps;
        if (v > best.value) best = {j, v};
    }
    return best;
}

files::ColorTable unit_table(const files::ColorTable& table) {
    files::ColorTable unit = table;
    files::normalize_color_vectors(&unit);
    return unit;
}

}  // namespace

float threshold_of(int thousandths) {
    // The request reader turns "0.142" into the double nearest 0.142 and that into a float; the
    // quotient of two exact integers is that same double.
    return static_cast<float>(thousandths / double(kThresholdSteps));
}

cv::Mat color_mask(const cv::Mat& picture, const files::ColorTable& table, int cam, float color_th) {
    const files::ColorTable unit = unit_table(table);
    cv::Mat mask = picture.clone();
    color_binarize(mask, unit.color_vec[cam], std::clamp(unit.color_num[cam], 0, files::kMaxColors),
                   color_th);
    return mask;
}

MatchShares match_shares(const TuningView& view, const files::ColorTable& table, int cam, float color_th) {
    MatchShares shares;
    const cv::Mat boxed = box_mask(view);
    const bool has_colours = table.color_num[cam] > 0;
    const cv::Mat mask = color_mask(*view.picture, table, cam, color_th);
    for (int y = 0; y < mask.rows; ++y) {
        const uint8_t* row = mask.ptr<uint8_t>(y);
        const uint8_t* in_box = boxed.ptr<uint8_t>(y);
        for (int x = 0; x < mask.cols; ++x) {
            // Without colours the picture stays as it was: nothing is matched then.
            const bool matched = has_colours && row[3 * x] == 0;
            if (in_box[x]) {
                ++shares.box_pixels;
                shares.box_matched += matched;
            } else {
                ++shares.background_pixels;
                shares.background_matched += matched;
            }
        }
    }
    return shares;
}

ColorTuning tune_colors(const TuningView views[2], const files::ColorTable& kept) {
    ColorTuning out;
    out.table = kept;
    const files::ColorTable kept_unit = unit_table(kept);

    CameraPixels px[2];
    std::vector<std::vector<float>> candidate_distance[2];
    std::vector<std::array<float, 3>> candidate_values[2];
    std::vector<float> nearest[2];
    Curve curve[2];
    int room[2];
    for (int cam = 0; cam < 2; ++cam) {
        px[cam] = gather(views[cam]);
        const int kept_count = std::clamp(kept.color_num[cam], 0, files::kMaxColors);
        // Without pixels on both sides of the boxes no colour can stand out.
        const bool contrast = px[cam].box_pixels > 0 && px[cam].background_pixels > 0;
        room[cam] = contrast ? std::max(0, kMaxTunedColors - kept_count) : 0;

        nearest[cam].assign(px[cam].units.size(), std::numeric_limits<float>::infinity());
        for (int i = 0; i < kept_count; ++i)
            take_nearer(nearest[cam], distances_to(px[cam], kept_unit.color_vec[cam][i]));
        curve[cam] = match_curve(px[cam], nearest[cam], nullptr);

        if (room[cam] == 0) continue;
        std::vector<Unit> box_units;
        for (size_t i = 0; i < px[cam].units.size(); ++i) {
            if (px[cam].in_box[i]) box_units.push_back(px[cam].units[i]);
        }
        // Candidates as the file will hold them, and their distances as the finder will see them.
        files::ColorTable candidates{};
        for (const Unit& c : cluster_directions(box_units, kClusters)) {
            float* v = candidates.color_vec[cam][candidates.color_num[cam]++];
            file_values(c, v);
            candidate_values[cam].push_back({v[0], v[1], v[2]});
        }
        const files::ColorTable candidates_unit = unit_table(candidates);
        for (int k = 0; k < candidates.color_num[cam]; ++k) {
            candidate_distance[cam].push_back(distances_to(px[cam], candidates_unit.color_vec[cam][k]));
        }
    }

    // Per camera, greedily: the colour that raises the camera's best score most, while it raises it
    // enough. Each camera on its own: with the one threshold of both, a colour that lets one camera
    // do with a narrower threshold would gain nothing while the other still needs the wide one.
    for (int cam = 0; cam < 2; ++cam) {
        std::vector<bool> taken(candidate_distance[cam].size());
        while (out.added[cam] < room[cam]) {
            const double base = best_of(curve[cam]).value;
            int best_k = -1;
            double best_gain = 0;
            Curve best_curve;
            for (size_t k = 0; k < candidate_distance[cam].size(); ++k) {
                if (taken[k]) continue;
                Curve c = match_curve(px[cam], nearest[cam], &candidate_distance[cam][k]);
                const Best b = best_of(c);
                const double gain = b.value - base;
                // What the colour adds there must lie mostly in the boxes, not all over the picture.
                const double box_added = c.box[b.j] - curve[cam].box[b.j];
                const double background_added = c.background[b.j] - curve[cam].background[b.j];
                if (gain >= kMinGain && gain > best_gain && box_added >= kMinLift * background_added) {
                    best_gain = gain;
                    best_k = static_cast<int>(k);
                    best_curve = std::move(c);
                }
            }
            if (best_k < 0) break;
            taken[best_k] = true;
            take_nearer(nearest[cam], candidate_distance[cam][best_k]);
            curve[cam] = best_curve;
            const auto& v = candidate_values[cam][best_k];
            std::copy(v.begin(), v.end(), out.table.color_vec[cam][out.table.color_num[cam]++]);
            ++out.added[cam];
        }
    }

    // The threshold: the middle of the range whose score lies close to the best.
    if (out.table.color_num[0] <= 0 && out.table.color_num[1] <= 0) {
        out.th_thousandths = kStartThreshold;
    } else {
        std::array<double, kThresholdSteps + 1> total{};
        for (int j = 0; j <= kThresholdSteps; ++j) total[j] = curve[0].score(j) + curve[1].score(j);
        int peak = 1;
        for (int j = 2; j <= kThresholdSteps; ++j) {
            if (total[j] > total[peak]) peak = j;
        }
        const int cameras = (px[0].box_pixels > 0) + (px[1].box_pixels > 0);
        int lo = peak, hi = peak;
        while (lo > 1 && total[peak] - total[lo - 1] <= kPlateauBelow * cameras) --lo;
        while (hi < kThresholdSteps && total[peak] - total[hi + 1] <= kPlateauAbove * cameras) ++hi;
        out.th_thousandths = (lo + hi) / 2;
    }
    out.color_th = threshold_of(out.th_thousandths);
    for (int cam = 0; cam < 2; ++cam)
        out.shares[cam] = match_shares(views[cam], out.table, cam, out.color_th);
    return out;
}

}  // namespace recog
