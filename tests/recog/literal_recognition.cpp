#include "tests/recog/literal_recognition.h"

#include <cmath>
#include <cstdio>

namespace literal {

namespace {

constexpr int W = recog::kFrameWidth;

void replace_label(int r0, int r1, int32_t key, int32_t value, recog::ImageAtt* att) {
    for (int y = r0 + 1; y <= r1 - 1; ++y)
        for (int x = 1; x <= 318; ++x)
            if (att->label[y * W + x] == key) att->label[y * W + x] = value;
}

}  // namespace

bool color_matches(int red, int green, int blue, const float (*ref_colors)[3], int n, float th) {
    const int s = red * red + green * green + blue * blue;
    const double m = std::sqrt(static_cast<double>(s));
    const double r = red / m, g = green / m, b = blue / m;
    bool black = false;
    for (int e = 0; e < n; ++e) {
        const double dist = std::sqrt(
            (r - static_cast<double>(ref_colors[e][0])) * (r - static_cast<double>(ref_colors[e][0])) +
            (g - static_cast<double>(ref_colors[e][1])) * (g - static_cast<double>(ref_colors[e][1])) +
            (b - static_cast<double>(ref_colors[e][2])) * (b - static_cast<double>(ref_colors[e][2])));
        if (dist < static_cast<double>(th)) {
            black = true;
            break;
        }
    }
    return black;
}

bool color_matches(int red, int green, int blue, const double (*ref_colors)[3], int n, double th) {
    const int s = red * red + green * green + blue * blue;
    const double m = std::sqrt(static_cast<double>(s));
    const double r = red / m, g = green / m, b = blue / m;
    for (int e = 0; e < n; ++e) {
        const double dist = std::sqrt((r - ref_colors[e][0]) * (r - ref_colors[e][0]) +
                                      (g - ref_colors[e][1]) * (g - ref_colors[e][1]) +
                                      (b - ref_colors[e][2]) * (b - ref_colors[e][2]));
        if (dist < th) return true;
    }
    return false;
}

int label_regions(int r0, int r1, recog::ImageAtt* att, std::vector<recog::AreaInfo>& entries) {
    int32_t* value = att->value;
    int32_t* label = att->label;
    int area_num = 0;
    // First pass.
    for (int y = r0; y <= r1 - 1; ++y) {
        for (int x = 1; x <= 318; ++x) {
            const int c = y * W + x;
            if (value[c] != 0) continue;
            const int before[4] = {c - W - 1, c - W, c - W + 1, c - 1};
            int32_t l = -1;
            for (int n : before) {
                if (n < 0) continue;  // above row 0 there is nothing
                if (value[n] == 0 && label[n] != -1) {
                    l = label[n];
                    break;
                }
            }
            if (l == -1) {
                l = area_num;
                if (static_cast<int>(entries.size()) <= area_num) entries.resize(area_num + 1);
                entries[area_num].id = area_num;
                entries[area_num].pix_value = 0;
                entries[area_num].new_id = -1;
                ++area_num;
            }
            label[c] = l;
        }
    }
    // Merge pass, rewriting the window at once.
    for (int y = r0 + 2; y <= r1 - 2; ++y) {
        for (int x = 2; x <= 317; ++x) {
            const int c = y * W + x;
            const int around[8] = {c - W - 1, c - W, c - W + 1, c - 1, c + 1, c + W - 1, c + W, c + W + 1};
            for (int n : around) {
                if (value[n] == value[c] && label[n] != label[c]) {
                    const int32_t merged = label[c];
                    entries.at(merged).id = -1;
                    replace_label(r0, r1, merged, label[n], att);
                    break;
                }
            }
        }
    }
    // Renumbering.
    int m = 0;
    for (int k = 0; k < area_num; ++k) {
        if (entries[k].id >= 0 && entries[k].pix_value == 0) entries[k].new_id = m++;
    }
    for (int k = 0; k < area_num; ++k) {
        if (entries[k].new_id != -1) {
            replace_label(r0, r1, entries[k].id, entries[k].new_id, att);
            entries[k].id = entries[k].new_id;
        }
    }
    // Compaction.
    std::vector<std::pair<int32_t, int32_t>> table(m);
    for (int k = 0; k < area_num; ++k) {
        if (entries[k].id >= 0 && entries[k].pix_value == 0)
            table[entries[k].new_id] = {entries[k].id, entries[k].new_id};
    }
    for (int j = 0; j < m; ++j) {
        entries[j].id = table[j].first;
        entries[j].new_id = table[j].second;
    }
    return m;
}

std::string get_area_info(int r0, int r1, int count, recog::AreaInfo* entries, const recog::ImageAtt* att) {
    const int32_t* value = att->value;
    const int32_t* label = att->label;
    for (int k = 0; k < count; ++k) {
        recog::AreaInfo& a = entries[k];
        a.pixnum = 0;
        a.cog_x = a.cog_y = 0;
        a.min_x = 319;
        a.min_y = 239;
        a.max_x = a.max_y = 0;
    }
    // A label names a region only when it is one of the list's.
    auto region = [&](int32_t l) { return l >= 0 && l < count; };
    for (int y = r0 + 1; y <= r1 - 1; ++y)
        for (int x = 1; x <= 318; ++x)
            if (value[y * W + x] == 0 && region(label[y * W + x])) ++entries[label[y * W + x]].pixnum;
    int target = 0;
    for (int k = 0; k < count; ++k) target += entries[k].pixnum != 0;

    std::vector<int32_t> pix_num_work(count, 0);
    for (int y = r0 + 1; y <= r1 - 1; ++y) {
        for (int x = 1; x <= 318; ++x) {
            const int32_t l = label[y * W + x];
            if (!region(l)) continue;
            if (pix_num_work[l] < entries[l].pixnum / 2) {
                ++pix_num_work[l];
                entries[l].cog_y = y;
            }
        }
    }
    std::fill(pix_num_work.begin(), pix_num_work.end(), 0);
    for (int x = 1; x <= 318; ++x) {
        for (int y = r0 + 1; y <= r1 - 1; ++y) {
            const int32_t l = label[y * W + x];
            if (!region(l)) continue;
            if (pix_num_work[l] < entries[l].pixnum / 2) {
                ++pix_num_work[l];
                entries[l].cog_x = x;
            }
        }
    }
    for (int y = r0 + 1; y <= r1 - 1; ++y) {
        for (int x = 1; x <= 318; ++x) {
            const int32_t l = label[y * W + x];
            if (!region(l)) continue;
            recog::AreaInfo& a = entries[l];
            if (x <= a.min_x) {
                a.min_x = x;
                a.left_x = x;
                a.left_y = y;
            }
            if (y <= a.min_y) {
                a.min_y = y;
                a.top_x = x;
                a.top_y = y;
            }
            if (x >= a.max_x) {
                a.max_x = x;
                a.right_x = x;
                a.right_y = y;
            }
            if (y >= a.max_y) {
                a.max_y = y;
                a.bottom_x = x;
                a.bottom_y = y;
            }
        }
    }
    for (int k = 0; k < count; ++k) {
        recog::AreaInfo& a = entries[k];
        if (a.pixnum == 0) continue;
        const int px[4] = {a.left_x, a.top_x, a.right_x, a.bottom_x};
        const int py[4] = {a.left_y, a.top_y, a.right_y, a.bottom_y};
        const int pairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
        double dist[6];
        for (int i = 0; i < 6; ++i) {
            const int dx = px[pairs[i][0]] - px[pairs[i][1]];
            const int dy = py[pairs[i][0]] - py[pairs[i][1]];
            dist[i] = std::sqrt(static_cast<double>(dx * dx + dy * dy));
        }
        int best = 0;
        for (int i = 1; i < 6; ++i)
            if (dist[i] > dist[best]) best = i;
        a.axis_x1 = px[pairs[best][0]];
        a.axis_y1 = py[pairs[best][0]];
        a.axis_x2 = px[pairs[best][1]];
        a.axis_y2 = py[pairs[best][1]];
    }

    std::string text = "\n get_area_info\n";
    char line[128];
    for (int k = 0; k < count; ++k) {
        std::snprintf(line, sizeof line, "%4d : 面積 = %6d  --- ", k, entries[k].pixnum);
        text += line;
        std::snprintf(line, sizeof line, "重心 X = %4d , Y = %4d\n", entries[k].cog_x, entries[k].cog_y);
        text += line;
    }
    std::snprintf(line, sizeof line, "対象エリア数: %4d\n", target);
    return text + line;
}

}  // namespace literal
