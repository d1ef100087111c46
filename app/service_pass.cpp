#include "app/service_pass.h"

#include "app/picture_files.h"
#include "app/stereo_recognition.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/work_dir.h"

namespace app {
namespace {

constexpr int kKeyCapture = 'c';
constexpr int kKeyTest = 't';

// The request's recognition on copies of the pictures; true when the report is complete.
bool recognize(const cv::Mat& image1, const cv::Mat& image2, ServiceWorkspace& ws,
               const std::string& report) {
    image1.copyTo(ws.work1);
    image2.copyTo(ws.work2);
    StereoRecognitionPaths paths;
    paths.color_table = platform::color_table_path();
    paths.request = platform::request_path();
    paths.left_bin = platform::left_bin_path();
    paths.right_bin = platform::right_bin_path();
    paths.report = report;
    return run_stereo_recognition(&ws.recog_plm, ws.work1, ws.work2, ws.image_info, ws.area_info_large,
                                  ws.match_list, paths)
        .report_ok;
}

}  // namespace

void answer_service_pass(int key, bool request, const cv::Mat& image1, const cv::Mat& image2,
                         ServiceWorkspace& ws) {
    if (key == kKeyCapture || request) {
        // Save failures are not reported; the answer goes on without the pictures.
        save_picture(platform::left_picture_path(), image1);
        save_picture(platform::right_picture_path(), image2);
        if (request) {
            platform::console_printf("\n");
            platform::console_printf("\n----------------画像取込　認識開始-----------\n");
            const std::string report = platform::report_path();
            if (!recognize(image1, image2, ws, report)) {
                // The finder has said why. An older or cut-short report must not pass for this
                // request's answer, so the controller finds none.
                platform::remove_file(report);
            }
            // Report complete, then the request gone, then the notify file: the controller reads
            // the report as soon as the notify file appears.
            platform::remove_file(platform::request_path());
            platform::create_empty_file(platform::notify_path());
        } else {
            platform::console_printf("Captured!!\n");
        }
    }
    if (key == kKeyTest) recognize(image1, image2, ws, platform::notify_path());
}

}  // namespace app
