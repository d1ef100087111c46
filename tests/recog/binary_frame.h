#pragma once
// A binarized frame (0 = foreground) built pixel by pixel in a test, turned into fresh value/label
// planes on demand.

#include <algorithm>
#include <cstdint>
#include <memory>

#include "recog/recog_types.h"
#include "recog/working_images.h"

namespace recog_test {

struct BinaryFrame {
    uint8_t plane[recog::kFramePixels];

    BinaryFrame() { std::fill(plane, plane + recog::kFramePixels, uint8_t{255}); }
    void set(int x, int y) { plane[y * recog::kFrameWidth + x] = 0; }
    void fill(int x0, int y0, int x1, int y1) {  // inclusive corners
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) set(x, y);
    }
    std::unique_ptr<recog::ImageAtt> att() const {
        auto a = std::make_unique<recog::ImageAtt>();
        recog::plane_to_att(plane, a.get());
        return a;
    }
};

inline recog::ImageInfo window(int y_start, int y_end) {
    recog::ImageInfo info{};
    info.y_start = y_start;
    info.y_end = y_end;
    return info;
}

inline int32_t label_at(const recog::ImageAtt& att, int x, int y) {
    return att.label[y * recog::kFrameWidth + x];
}

}  // namespace recog_test
