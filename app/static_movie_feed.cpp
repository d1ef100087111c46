#include "app/static_movie_feed.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <opencv2/imgproc.hpp>
#include <string>

#include "app/numbered_name.h"
#include "app/picture_conversion.h"
#include "app/picture_files.h"
#include "files/protocol_files.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/input.h"
#include "platform/ui.h"
#include "platform/work_dir.h"
#include "recog/area_measure.h"
#include "recog/labeling.h"
#include "recog/recog_types.h"
#include "recog/working_images.h"

namespace app {
namespace {

const char* const kWindow = "Clipped Images";
constexpr int kFirstStill = 534;
constexpr int kStillStep = 5;
constexpr int kKeyWaitMs = 125;
// In double precision, as the reference colour is scaled.
constexpr double kColorThreshold = 0.2;
constexpr int kMinMaskRegion = 64;  // regions of this many pixels or fewer stay out of the mask

// Working storage of the labeling pass, kept for the whole mode (too big for the stack).
struct FeedPlanes {
    uint8_t image_edge1[recog::kFramePixels];
    recog::ImageAtt image_att;
    recog::ImageInfo image_info;
    recog::AreaInfo area_info[recog::kMaxAreas];
};

// When the sequence ends at a still that can't be used, a waiting request stays unanswered.
void say_request_left_waiting() {
    if (platform::file_exists(files::request_path())) {
        platform::console_printf("  リクエストファイル %s には応答していません。\n",
                                 files::request_path().c_str());
    }
}

// Ends the sequence at a still that is there but can't be read: named with the reason.
void say_sequence_ends(const std::string& path, const std::string& reason) {
    platform::console_printf(
        "エラー！(static_movie_feed)静止画を読み込めません：%s：%s。ここで終わります。\n", path.c_str(),
        reason.c_str());
    say_request_left_waiting();
}

// The still as a 24-bit 320 x 240 picture; other forms are converted with one line saying so.
// False when it is missing (the normal end of the sequence) or can't be used (said so): the
// sequence has ended.
bool load_still(const std::string& path, cv::Mat& loaded, cv::Mat& still) {
    platform::InputError error;
    if (!load_picture(path, loaded, error)) {
        if (error.problem != platform::InputProblem::missing) say_sequence_ends(path, error.reason);
        return false;
    }
    if (loaded.type() == CV_8UC3 && loaded.cols == recog::kFrameWidth && loaded.rows == recog::kFrameHeight) {
        still = loaded.clone();  // classified in place; the loaded one is what the window shows
        return true;
    }
    cv::Mat bgr;
    if (!to_bgr8(loaded, bgr)) {
        platform::console_printf("エラー！(static_movie_feed)この形式の画像は扱えません。（%s）%s\n",
                                 picture_form(loaded).c_str(), path.c_str());
        say_request_left_waiting();
        return false;
    }
    if (bgr.cols != recog::kFrameWidth || bgr.rows != recog::kFrameHeight) {
        cv::resize(bgr, still, cv::Size(recog::kFrameWidth, recog::kFrameHeight), 0, 0, cv::INTER_NEAREST);
    } else {
        still = bgr.clone();
    }
    platform::console_printf(
        "警告：(static_movie_feed)%s の画像を 320 x 240 の24ビットカラーに変換しました：%s\n",
        picture_form(loaded).c_str(), path.c_str());
    return true;
}

// The mask of one still: cone-coloured regions above the minimum size white, the rest black.
void build_mask(cv::Mat& still, const double (*ref_color)[3], FeedPlanes& planes, cv::Mat& grey,
                cv::Mat& mask) {
    recog::color_binarize(still, ref_color, 1, kColorThreshold);
    cv::cvtColor(still, grey, cv::COLOR_BGR2GRAY);
    cv::resize(grey, mask, cv::Size(recog::kFrameWidth, recog::kFrameHeight), 0, 0, cv::INTER_NEAREST);
    recog::image_to_plane(mask, planes.image_edge1);
    recog::remove_isolated_pixels(planes.image_edge1);
    planes.image_info.y_start = 1;
    planes.image_info.y_end = 239;
    recog::plane_to_att(planes.image_edge1, &planes.image_att);
    recog::label_regions(&planes.image_info, planes.area_info, &planes.image_att);
    recog::get_area_info(&planes.image_info, planes.area_info, &planes.image_att);
    platform::console_printf("\n");
    recog::mask_by_size(planes.area_info, &planes.image_att, planes.image_edge1, kMinMaskRegion);
    recog::plane_to_image(mask, planes.image_edge1);
}

enum class WaitResult { next, quit };

// Waits for a request (answered with the mask), key n (next still, nothing answered) or q.
WaitResult wait_for_request(const cv::Mat& mask) {
    platform::Ui& ui = platform::ui();
    for (;;) {
        platform::console_flush();
        const int key = ui.wait_key(kKeyWaitMs);
        if (key == 'q') return WaitResult::quit;
        if (platform::regular_file_exists(files::request_path())) {
            // This order is the training tool's: picture, notify file, then the request deleted.
            // A mask that can't be written is named; the old one is not replaced by a part.
            save_picture(files::right_picture_path(), mask, "static_movie_feed");
            platform::create_empty_file(files::notify_path());
            platform::remove_file(files::request_path());
            return WaitResult::next;
        }
        if (key == 'n') return WaitResult::next;
    }
}

void run_feed() {
    // The cone colour (red 230, green 116, blue 132) as a unit vector.
    const double length = std::sqrt(230.0 * 230.0 + 116.0 * 116.0 + 132.0 * 132.0);
    const double ref_color[1][3] = {{230.0 / length, 116.0 / length, 132.0 / length}};
    auto planes = std::make_unique<FeedPlanes>();
    cv::Mat loaded;
    cv::Mat still;
    cv::Mat grey(recog::kFrameHeight, recog::kFrameWidth, CV_8UC1);
    cv::Mat mask(recog::kFrameHeight, recog::kFrameWidth, CV_8UC1);
    platform::Ui& ui = platform::ui();

    for (int64_t image_number = kFirstStill;; image_number += kStillStep) {
        const std::string path = still_picture_path(image_number);
        if (!load_still(path, loaded, still)) return;
        ui.set_title(kWindow, std::string(kWindow) + ": " + path.substr(path.rfind('/') + 1));
        ui.show(kWindow, loaded);
        build_mask(still, ref_color, *planes, grey, mask);
        if (wait_for_request(mask) == WaitResult::quit) return;
    }
}

}  // namespace

void static_movie_feed() {
    platform::Ui& ui = platform::ui();
    platform::SingleKeyMode single_keys;
    try {
        platform::WindowOptions window;
        window.status_line = "q: back to the menu   n: next still";
        window.close_key = 'q';
        ui.create_window(kWindow, window);
        platform::console_printf("[q]キーを押すと終了します。\n");
        platform::console_printf("[n]キーを押すと次の画像。\n");
        run_feed();
    } catch (const std::exception& e) {
        platform::console_printf("エラー！(static_movie_feed)%s\n", e.what());
    }
    try {
        ui.destroy_window(kWindow);
    } catch (const std::exception&) {
    }
    platform::console_flush();
}

}  // namespace app
