#include "recog/location_report.h"

#include <cstdlib>

#include "platform/console.h"
#include "platform/cp932_text_file.h"

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

int corn_get_location(const ImageInfo* image_info, const AreaInfo* area_info_large, const int* match_list,
                      const std::string& report_path, bool* report_ok, std::string* report_failure) {
    return corn_get_location(image_info, area_info_large, nullptr, match_list, report_path, report_ok,
                             report_failure);
}

int corn_get_location(const ImageInfo* image_info, const AreaInfo* area_info_large,
                      const SubpixelArea* subpixel_large, const int* match_list,
                      const std::string& report_path, bool* report_ok, std::string* report_failure) {
    platform::Cp932TextFile report;
    bool ok = true;
    if (!report_path.empty() && !report.open(report_path)) {
        ok = false;
        platform::console_printf("エラー！ファイル名：%sを書き込み用に開けません．(corn_get_location)\n",
                                 report_path.c_str());
        platform::console_printf("  %s: %s\n", report_path.c_str(), report.failure().c_str());
    }
    platform::console_printf("＜＜ステレオマッチング結果＞＞\n");

    int count = 0;
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

        platform::console_printf("左イメージ　　　　cog_x: %4d, cog_y: %4d\n", l.cog_x, l.cog_y);
        platform::console_printf("右イメージ　　　　cog_x: %4d, cog_y: %4d\n", r.cog_x, r.cog_y);
        platform::console_printf("対象の位置情報　　x:%.1f, y:%.1f, z:%.1f\n", loc.x, loc.y, loc.z);
        platform::console_printf("対象のサイズ情報　H:%.1f, W:%.1f\n", loc.h, loc.w);

        report.printf("左イメージcog x_y, %4d, %4d\n", l.cog_x, l.cog_y);
        report.printf("右イメージcog x_y, %4d, %4d\n", r.cog_x, r.cog_y);
        report.printf("対象の位置情報　　x_y_z, %.1f, %.1f, %.1f\n", loc.x, loc.y, loc.z);
        report.printf("対象のサイズ情報　H_W, %.1f, %.1f\n", loc.h, loc.w);
        ++count;
    }

    // A report cut short (full disk) must not pass for a complete one: it is not put in place.
    if (report.is_open() && !report.close()) {
        ok = false;
        platform::console_printf("エラー！ファイル名：%sに書き込めません（%s）．(corn_get_location)\n",
                                 report_path.c_str(), report.failure().c_str());
    }
    platform::console_printf("総対象数：%d\n", count);
    if (report_ok) *report_ok = ok;
    if (report_failure) *report_failure = ok ? std::string() : report.failure();
    return count;
}

}  // namespace recog
