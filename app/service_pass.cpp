#include "app/service_pass.h"

#include "app/picture_files.h"
#include "app/stereo_recognition.h"
#include "files/protocol_files.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/work_dir.h"

namespace app {
namespace {

constexpr int kKeyCapture = 'c';
constexpr int kKeyTest = 't';
const char* const kWho = "corn_location_service";

// The request's recognition on copies of the pictures; true when the report is complete.
bool recognize(const cv::Mat& image1, const cv::Mat& image2, ServiceWorkspace& ws,
               const std::string& report) {
    image1.copyTo(ws.work1);
    image2.copyTo(ws.work2);
    StereoRecognitionPaths paths;
    paths.color_table = files::color_table_path();
    paths.request = files::request_path();
    paths.left_bin = files::left_bin_path();
    paths.right_bin = files::right_bin_path();
    paths.report = report;
    const StereoRecognitionResult result =
        run_stereo_recognition(&ws.recog_plm, ws.work1, ws.work2, ws.image_info, ws.area_info_large,
                               ws.match_list.data(), paths, ws.subpixel_large);
    ws.subpixel = result.subpixel;
    return result.report_ok;
}

}  // namespace

PassOutcome answer_service_pass(int key, bool request, const cv::Mat& image1, const cv::Mat& image2,
                                ServiceWorkspace& ws) {
    PassOutcome outcome;
    if (key == kKeyCapture || request) {
        // A picture that can't be written is named; the answer goes on without it.
        save_picture(files::left_picture_path(), image1, kWho);
        save_picture(files::right_picture_path(), image2, kWho);
        if (request) {
            platform::console_printf("\n");
            platform::console_printf("\n----------------画像取込　認識開始-----------\n");
            const std::string report = files::report_path();
            outcome.recognized = true;
            if (!recognize(image1, image2, ws, report)) {
                // The finder has said why. An older report must not pass for this request's
                // answer, so the controller finds none.
                platform::remove_file(report);
            }
            // Report complete, then the request gone, then the notify file: the controller reads
            // the report as soon as the notify file appears.
            outcome.answered = true;
            std::string reason;
            outcome.request_deleted = platform::remove_file(files::request_path(), &reason);
            if (!outcome.request_deleted) {
                platform::console_printf(
                    "エラー！(corn_location_service)リクエストファイルを削除できません。"
                    "なくなるまでこのリクエストには応答しません。\n");
                platform::console_printf("  %s: %s\n", files::request_path().c_str(), reason.c_str());
            }
            if (!platform::create_empty_file(files::notify_path(), &reason)) {
                print_write_failure(files::notify_path(), reason, kWho);
            }
        } else {
            platform::console_printf("Captured!!\n");
        }
    }
    if (key == kKeyTest) {
        recognize(image1, image2, ws, files::notify_path());
        outcome.recognized = true;
    }
    return outcome;
}

}  // namespace app
