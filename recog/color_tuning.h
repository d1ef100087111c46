#pragma once
// Colour tuning: from the pixels a user boxed around cones and the pixels outside the boxes,
// proposes reference colours per camera and the colour threshold of the request, and tells how
// well a colour table separates the two at a threshold -- with the finder's own colour test.

#include <vector>

#include "files/recog_params.h"

namespace cv {
class Mat;
}

namespace recog {

// A rectangle of pixels: columns x .. x + w - 1, rows y .. y + h - 1.
struct PixelBox {
    int x = 0, y = 0, w = 0, h = 0;
};

// One camera's picture (BGR, 8 bits per channel) and the boxes drawn around cones in it. Pixels
// inside any box count as box pixels, all others as background.
struct TuningView {
    const cv::Mat* picture = nullptr;
    std::vector<PixelBox> boxes;  // clipped to the picture
};

// How many box and background pixels the colour test marks as cone-coloured.
struct MatchShares {
    int box_pixels = 0, box_matched = 0;
    int background_pixels = 0, background_matched = 0;
    double box_share() const { return box_pixels ? double(box_matched) / box_pixels : 0.0; }
    double background_share() const {
        return background_pixels ? double(background_matched) / background_pixels : 0.0;
    }
};

// Most colours tuning leaves a camera with: the reader stops at a camera's 16th line, so with 15
// each both cameras' colours read back, without a complaint.
inline constexpr int kMaxTunedColors = 15;

// Thresholds are proposed in thousandths, as the request carries them ("color_th,0.142").
inline constexpr int kThresholdSteps = 1000;

struct ColorTuning {
    files::ColorTable table{};  // as the file holds them: kept colours first, then the added ones
    int added[2] = {0, 0};   // colours added per camera
    int th_thousandths = 0;  // the proposed threshold
    float color_th = 0.0f;   // the same as the request reader reads it
    MatchShares shares[2];   // per camera at that threshold
};

// The threshold of a trackbar or proposal position as the request reader reads "0.ddd".
float threshold_of(int thousandths);

// Proposes colours for both cameras. `kept` holds the colours each camera keeps (file values, as
// the colour-table reader gives them; zero counts for a fresh table). The box pixels' unit colour
// vectors are clustered (median cut refined by k-means, deterministic). Per camera, clusters are
// then added one at a time: the one that most raises the score -- share of box pixels matched less
// share of background pixels matched, at the best threshold, less a small price on that threshold
// -- while that rises by at least 0.005, the colour adds at least three times the share of box
// pixels as of background pixels, and the camera has fewer than kMaxTunedColors. The one
// threshold of both cameras is the middle of the range around the best summed score in which it
// falls by at most 1 % below and 0.1 % above, so that the next frames' noise and light have room
// on both sides. A camera without boxes keeps its colours and gets none.
ColorTuning tune_colors(const TuningView views[2], const files::ColorTable& kept);

// Shares at the threshold, with the table's colours for camera cam (file values, scaled to unit
// length as the reader does) and the finder's colour test.
MatchShares match_shares(const TuningView& view, const files::ColorTable& table, int cam, float color_th);

// The picture binarized by the finder's colour test with the table's colours for camera cam:
// black where cone-coloured, white elsewhere (unchanged when the camera has no colours).
cv::Mat color_mask(const cv::Mat& picture, const files::ColorTable& table, int cam, float color_th);

}  // namespace recog
