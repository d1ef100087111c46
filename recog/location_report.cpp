#include "recog/location_report.h"

#include <cstdlib>

#include "platform/console.h"

namespace recog {

namespace {

// Camera model of the rig, in pixels and baseline units.
constexpr double kFocal = 295.0;
constexpr double kBaseline = 140.0;
constexpr double kCentreCol = 160.0;
constexpr double kCentreRow = 120.0;
constexpr double kRightColOffset = -7.0;
// Nearer objects are not reported: their pairs are implausible for this rig.
constexpr double kMinDistance = 200.0;

// Triangulation of a left centre (lx, ly) and a right column rx; h and w are the left extents in
// pixels.
bool locate(double lx, double ly, double rx, double h, double w, CornLocation* loc) {
    const double xl = (lx - kCentreCol) / kFocal;
    const double xr = (rx + kRightColOffset - kCentreCol) / kFocal;
    const double bl = kBaseline / 2.0;
    const double br = -kBaseline / 2.0;
    // Equal columns divide by +0.0 and give minus infinity, which is never reported.
    loc->x = -(bl - br) / (xl - xr);
    loc->y = -(xl * loc->x + bl);
    loc->z = (kCentreRow - ly) / kFocal * loc->x;
    loc->h = h / kFocal * loc->x;
    loc->w = w / kFocal * loc->x;
    return loc->x > kMinDistance;
}

}  // namespace

bool corn_locate_pair(const AreaInfo& l, const AreaInfo& r, CornLocation* loc) {
    // Whole pixels convert exactly, so this is the integer-centred computation.
    return locate(l.cog_x, l.cog_y, r.cog_x, std::abs(l.max_y - l.min_y), std::abs(l.max_x - l.min_x), loc);
}

bool corn_locate_pair(const SubpixelArea& l, const SubpixelArea& r, CornLocation* loc) {
    return locate(l.cog_x, l.cog_y, r.cog_x, l.height, l.width, loc);
}

std::vector<files::ReportedObject> locate_matched_pairs(const ImageInfo* image_info,
                                                        const AreaInfo* area_info_large,
                                                        const SubpixelArea* subpixel_large,
                                                        const int* match_list) {
    std::vector<files::ReportedObject> objects;
    const int left_num = image_info[0].area_num < kMaxAreas ? image_info[0].area_num : kMaxAreas;
    for (int i = 0; i < left_num; ++i) {
        const int j = match_list[i];
        // Only indices into the right list; anything else is not a pairing.
        if (j < 0 || j >= kMaxAreas) continue;
        const AreaInfo& l = area_info_large[i];
        const AreaInfo& r = area_info_large[kMaxAreas + j];
        CornLocation loc;
        const bool reported = subpixel_large
                                  ? corn_locate_pair(subpixel_large[i], subpixel_large[kMaxAreas + j], &loc)
                                  : corn_locate_pair(l, r, &loc);
        if (!reported) continue;
        objects.push_back({l.cog_x, l.cog_y, r.cog_x, r.cog_y, loc.x, loc.y, loc.z, loc.h, loc.w});
    }
    return objects;
}

void print_location_heading() { platform::console_printf("＜＜ステレオマッチング結果＞＞\n"); }

void print_located_object(const files::ReportedObject& o) {
    platform::console_printf("左イメージ　　　　cog_x: %4d, cog_y: %4d\n", o.left_cog_x, o.left_cog_y);
    platform::console_printf("右イメージ　　　　cog_x: %4d, cog_y: %4d\n", o.right_cog_x, o.right_cog_y);
    platform::console_printf("対象の位置情報　　x:%.1f, y:%.1f, z:%.1f\n", o.x, o.y, o.z);
    platform::console_printf("対象のサイズ情報　H:%.1f, W:%.1f\n", o.h, o.w);
}

void print_location_total(int count) { platform::console_printf("総対象数：%d\n", count); }

}  // namespace recog
