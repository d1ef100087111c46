#include "recog/shape_decision.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/console.h"
#include "recog/calc_2d.h"

namespace recog {

namespace {

constexpr int kPointStore = 16384;

// Scratch storage reused for every area, one set per thread. The work image is kept all 255
// between areas: each area clears the box it drew, which is cheaper than a full fill.
struct ShapeWork {
    double shape_data[kPointStore][2];
    uint8_t image_work[kShapeWorkWidth * kShapeWorkHeight];
    int width_info[kShapeWorkWidth];

    ShapeWork() { std::memset(image_work, 255, sizeof image_work); }
};

ShapeWork& shape_work() {
    thread_local std::unique_ptr<ShapeWork> work = std::make_unique<ShapeWork>();
    return *work;
}

// Truncation toward zero that cannot overflow for positions far outside the frame.
int trunc_to_int(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(v);
}

void print_area_line(int index, const AreaInfo& area) {
    // The degrees use 3.14159, so a vertical axis prints as 90.0 (90.00008).
    platform::console_printf("%4d : 方向 = %6.1f°：　縦横比 = %6.1f：　線の太さ = %4d: 形状 = %d\n", index,
                             static_cast<double>(area.direction) / 3.14159 * 180,
                             static_cast<double>(area.aspect), area.thickness, area.shape);
}

// Counts the pixels equal to 0 in columns x0..x1 and rows y0..y1 (inclusive) of the work image.
int count_pixels(const uint8_t* work, int x0, int x1, int y0, int y1) {
    int count = 0;
    for (int y = y0; y <= y1; ++y) {
        const uint8_t* row = work + y * kShapeWorkWidth;
        for (int x = x0; x <= x1; ++x) count += row[x] == 0;
    }
    return count;
}

// A quotient that may be undefined: a zero divisor makes every test on it fail.
struct Ratio {
    double value = 0.0;
    bool valid = false;
};

Ratio divide(double num, bool num_valid, double den) {
    if (!num_valid || den == 0.0) return {};
    return {num / den, true};
}

bool between(const Ratio& r, double low, double high) { return r.valid && low < r.value && r.value < high; }

bool below(const Ratio& r, double high) { return r.valid && r.value < high; }

void analyse_area(int index, AreaInfo& area, const ImageAtt* image_att) {
    const Calc2D calc_2D;
    ShapeWork& w = shape_work();
    auto& shape_data = w.shape_data;
    uint8_t* const image_work = w.image_work;
    int* const width_info = w.width_info;

    area.direction = static_cast<float>(
        std::atan2(static_cast<double>(area.axis_y2 - area.axis_y1), static_cast<double>(area.axis_x2 - area.axis_x1)));

    // Gather the area's pixels from its bounding box (kept inside the frame).
    const int x0 = std::max(area.min_x, 0);
    const int x1 = std::min(area.max_x, kFrameWidth - 1);
    const int y0 = std::max(area.min_y, 0);
    const int y1 = std::min(area.max_y, kFrameHeight - 1);
    const int wanted = std::min(area.pixnum, kPointStore);
    int n = 0;
    for (int y = y0; y <= y1 && n < wanted; ++y) {
        const int32_t* labels = image_att->label + y * kFrameWidth;
        for (int x = x0; x <= x1 && n < wanted; ++x) {
            if (labels[x] == area.id) {
                shape_data[n][0] = x;
                shape_data[n][1] = y;
                ++n;
            }
        }
    }

    calc_2D.rotate_points(shape_data, area.cog_x, area.cog_y, -static_cast<double>(area.direction), n);

    double box_d[4] = {320.0, 240.0, 0.0, 0.0};
    for (int i = 0; i < n; ++i) {
        const double px = shape_data[i][0];
        const double py = shape_data[i][1];
        if (px < box_d[0]) box_d[0] = px;
        if (py < box_d[1]) box_d[1] = py;
        if (px > box_d[2]) box_d[2] = px;
        if (py > box_d[3]) box_d[3] = py;
    }
    area.width = static_cast<float>(box_d[2] - box_d[0]);
    area.height = static_cast<float>(box_d[3] - box_d[1]);
    if (area.height < 1.0f) area.height = 1.0f;
    area.aspect = static_cast<float>(static_cast<double>(area.width) / static_cast<double>(area.height));

    const double offset[2] = {box_d[0], box_d[1]};
    calc_2D.shift_points(shape_data, offset, n, -1.0);

    int box_i[4] = {320, 240, 0, 0};
    for (int i = 0; i < n; ++i) {
        const double px = shape_data[i][0];
        const double py = shape_data[i][1];
        // Shifted points start at (0, 0) and span at most the frame diagonal; the test only
        // guards against records that do not describe a region of the frame.
        if (!(px > -1.0 && px < kShapeWorkWidth && py > -1.0 && py < kShapeWorkHeight)) continue;
        const int col = static_cast<int>(px);
        const int row = static_cast<int>(py);
        image_work[row * kShapeWorkWidth + col] = 0;
        if (col < box_i[0]) box_i[0] = col;
        if (row < box_i[1]) box_i[1] = row;
        if (col > box_i[2]) box_i[2] = col;
        if (row > box_i[3]) box_i[3] = row;
    }

    if (area.width == 0.0f) area.width = 1.0f;
    const int width_int = trunc_to_int(area.width);
    // A stored width below one pixel only comes from a record that is not a measured region.
    area.thickness = width_int != 0 ? area.pixnum / width_int : area.pixnum;
    area.fill_ratio = static_cast<float>(
        area.pixnum / (static_cast<double>(area.width) * static_cast<double>(area.height)));

    std::fill(width_info, width_info + kShapeWorkWidth, 0);
    for (int y = 0; y <= box_i[3]; ++y) {
        const uint8_t* row = image_work + y * kShapeWorkWidth;
        for (int x = 0; x <= box_i[2]; ++x) width_info[x] += row[x] == 0;
    }
    area.col_pix_max = 0;
    for (int x = 0; x <= box_i[2] - box_i[0]; ++x) area.col_pix_max = std::max(area.col_pix_max, width_info[x]);

    const int work_cog[2] = {area.cog_x - trunc_to_int(box_d[0]), area.cog_y - trunc_to_int(box_d[1])};
    decide_landmark(&area, image_work, box_i, work_cog);
    for (int y = 0; y <= box_i[3]; ++y) std::memset(image_work + y * kShapeWorkWidth, 255, box_i[2] + 1);
    print_area_line(index, area);
}

}  // namespace

ImageInfo* decide_area_shape(ImageInfo* image_info, AreaInfo* area_info, const ImageAtt* image_att) {
    platform::console_printf("\n decide_area_shape \n");
    for (int i = 0; i < image_info->area_num; ++i) {
        AreaInfo& area = area_info[i];
        if (area.pixnum >= kShapePixnumLimit) {
            platform::console_printf("警告：配列を使い切りました。形状判断処理が不正確です↓(decide_area_shape)\n");
            area.cog_x = 320;
            area.cog_y = 240;
            area.aspect = 1.0f;
            area.thickness = 1;
            area.shape = -1;
            area.direction = 0.0f;
            print_area_line(i, area);
            continue;
        }
        analyse_area(i, area, image_att);
    }
    return image_info;
}

void decide_landmark(AreaInfo* area, const uint8_t* work, const int box_i[4], const int work_cog[2]) {
    area->shape = -1;
    if (area->pixnum < kShapeMinPixnum) return;

    const double aspect = area->aspect;
    const double fill = area->fill_ratio;
    const int thickness = area->thickness;
    if (aspect > 5.0 && thickness > 0) area->shape = 1;
    if (fill < 0.3 && aspect < 2.0 && thickness > 4 && thickness < 20) area->shape = 2;
    if (fill < 0.3 && aspect <= 5.0 && thickness > 2 && area->col_pix_max < 16) area->shape = 3;
    if (fill > 0.6 && aspect < 2.5 && thickness > 5) area->shape = 4;

    // The last column and row of the work box are not counted.
    const int w = std::clamp(box_i[2], 0, kShapeWorkWidth - 1);
    const int h = std::clamp(box_i[3], 0, kShapeWorkHeight - 1);
    const int a = w / 3;
    const int b = h / 3;
    const int data_num[4] = {
        count_pixels(work, 0, a - 1, 0, h - 1),
        count_pixels(work, 2 * a, w - 1, 0, h - 1),
        count_pixels(work, 0, w - 1, 0, b - 1),
        count_pixels(work, 0, w - 1, 2 * b, h - 1),
    };
    const Ratio line_width[4] = {
        divide(data_num[0], true, a),
        divide(data_num[1], true, a),
        divide(data_num[2], true, b),
        divide(data_num[3], true, b),
    };
    const bool sides_valid = line_width[0].valid && line_width[1].valid;
    const bool ends_valid = line_width[2].valid && line_width[3].valid;

    int score = 0;
    score += between(divide(line_width[0].value, sides_valid, line_width[1].value), 0.6, 1.67);
    score += between(divide(line_width[2].value, ends_valid, line_width[3].value), 0.6, 1.67);
    score += between(divide(line_width[0].value + line_width[1].value, sides_valid && ends_valid,
                            line_width[2].value + line_width[3].value),
                     0.45, 2.2);
    score += between(divide(work_cog[0], true, w), 0.4, 0.6);
    score += between(divide(work_cog[1], true, h), 0.4, 0.6);
    score += between(divide(w, true, h), 0.7, 1.43);
    score += below(divide(line_width[0].value, line_width[0].valid, h), 0.2);
    score += below(divide(line_width[2].value, line_width[2].valid, w), 0.2);
    if (score >= 8) platform::console_printf("ランドマーク ↓\n");
}

}  // namespace recog
