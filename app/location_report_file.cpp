#include "app/location_report_file.h"

#include "files/location_report.h"
#include "platform/console.h"
#include "platform/cp932_text_file.h"
#include "recog/location_report.h"

namespace app {

int report_locations(const recog::ImageInfo* image_info, const recog::AreaInfo* area_info_large,
                     const recog::SubpixelArea* subpixel_large, const int* match_list,
                     const std::string& report_path, bool* report_ok, std::string* report_failure) {
    platform::Cp932TextFile report;
    bool ok = true;
    if (!report_path.empty() && !report.open(report_path)) {
        ok = false;
        platform::console_printf("エラー！ファイル名：%sを書き込み用に開けません．(corn_get_location)\n",
                                 report_path.c_str());
        platform::console_printf("  %s: %s\n", report_path.c_str(), report.failure().c_str());
    }
    const std::vector<files::ReportedObject> objects =
        recog::locate_matched_pairs(image_info, area_info_large, subpixel_large, match_list);
    recog::print_location_heading();
    for (const files::ReportedObject& object : objects) {
        recog::print_located_object(object);
        report.printf("%s", files::report_object_text(object).c_str());
    }
    // A report cut short (full disk) must not pass for a complete one: it is not put in place.
    if (report.is_open() && !report.close()) {
        ok = false;
        platform::console_printf("エラー！ファイル名：%sに書き込めません（%s）．(corn_get_location)\n",
                                 report_path.c_str(), report.failure().c_str());
    }
    const int count = static_cast<int>(objects.size());
    recog::print_location_total(count);
    if (report_ok) *report_ok = ok;
    if (report_failure) *report_failure = ok ? std::string() : report.failure();
    return count;
}

}  // namespace app
