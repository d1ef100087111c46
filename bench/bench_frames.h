#pragma once
// The frames every recognition benchmark runs on, made in code and the same in every run: a
// rendered cone scene, a clutter frame with hundreds of small blobs, and a dense noise frame.

#include <cstdint>
#include <opencv2/core/mat.hpp>
#include <vector>

namespace bench {

enum class FrameKind { scene, clutter, noise };
inline constexpr FrameKind kFrameKinds[] = {FrameKind::scene, FrameKind::clutter, FrameKind::noise};

const char* frame_kind_name(FrameKind kind);

// The reference colours and threshold the frames are classified with (a cone table of three
// reds, threshold 0.2 as the service starts with).
struct ColourReference {
    float colors[16][3];
    int count;
    float th;
};
const ColourReference& cone_reference();

// The camera frame of a kind: 320 x 240, BGR, upright.
cv::Mat colour_frame(FrameKind kind);
// The colour-classified frame of a kind as a byte plane of 76800 pixels (0 = cone colour): the
// input of the labeling.
std::vector<uint8_t> binary_plane(FrameKind kind);

}  // namespace bench
