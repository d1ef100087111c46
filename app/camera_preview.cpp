#include "app/camera_preview.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "app/camera_hint.h"
#include "app/numbered_name.h"
#include "app/picture_conversion.h"
#include "app/picture_files.h"
#include "files/protocol_files.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/input.h"
#include "platform/ui.h"
#include "platform/work_dir.h"

namespace app {
namespace {

const char* const kWindow = "Capture";
constexpr int kKeyWaitMs = 125;

// The loop of the mode; returns on q or when the camera fails.
void run_preview(capture::SimpleCamera& camera, int image_num_max) {
    platform::Ui& ui = platform::ui();
    cv::Mat frame;
    cv::Mat grey_full(480, 640, CV_8UC1);
    cv::Mat grey_small(240, 320, CV_8UC1);
    int64_t frame_number = 0;  // wide, so a series up to INT_MAX ends without overflow
    bool series_failed = false;
    for (;;) {
        if (!camera.read(frame) || frame.empty()) {
            platform::console_printf("エラー！(camera_preview)カメラから画像を取得できませんでした。\n");
            return;
        }
        if (!frame_to_grey_picture(frame, grey_full, grey_small)) {
            platform::console_printf("エラー！(camera_preview)カメラの画像を変換できませんでした。（%s）\n",
                                     picture_form(frame).c_str());
            return;
        }
        // The simple camera delivers its frames as the image library does, row 0 at the top, so
        // the saved pictures are upright without a flip (only the stereo cameras' bottom-up frames
        // need one).
        ui.show(kWindow, frame);

        const int key = ui.wait_key(kKeyWaitMs);
        if (key == 'q') return;

        // Only a regular file is a request: a directory or FIFO of that name is left alone.
        const bool request = platform::regular_file_exists(files::request_path());
        if (key == 'c' || request) {
            // A picture that can't be written is named; the old one is not replaced by a part.
            save_picture(files::right_picture_path(), grey_small, "camera_preview");
            platform::create_empty_file(files::notify_path());
            if (request) {
                platform::remove_file(files::request_path());
            } else {
                platform::console_printf("Captured!!\n");
            }
        }
        if (image_num_max > 0 && frame_number <= image_num_max) {
            std::string reason;
            if (!save_picture(series_picture_path(frame_number), grey_small, reason) && !series_failed) {
                // Once: a full disk would otherwise print a line on every pass.
                print_write_failure(series_picture_path(frame_number), reason, "camera_preview");
                series_failed = true;
            }
            platform::console_printf("%s\n", std::to_string(frame_number).c_str());
            ++frame_number;
        }
        platform::console_flush();
    }
}

}  // namespace

void camera_preview(const capture::BackendOptions& backend) {
    std::unique_ptr<capture::SimpleCamera> camera;
    try {
        camera = capture::open_simple_camera(backend);
    } catch (const std::exception&) {
        camera.reset();
    }
    if (!camera) {
        platform::console_printf("カメラが見つかりません\n");
        platform::console_flush();
        print_no_camera_hint();
        return;
    }
    platform::console_printf("[q]キーを押すと終了します。\n");
    platform::console_printf("[c]キーを押すとファイルへセーブします。\n");
    platform::console_printf("連続取り込みする場合は０より大きな数値を入力してください。\n");
    platform::console_flush();

    // Anything but a number (or the end of input) means no series.
    int image_num_max = 0;
    if (platform::read_number(image_num_max) != platform::NumberInput::number) image_num_max = 0;

    platform::SingleKeyMode single_keys;
    platform::Ui& ui = platform::ui();
    try {
        platform::WindowOptions window;
        window.status_line = "q: back to the menu   c: save rk9t_right.bmp";
        window.close_key = 'q';
        ui.create_window(kWindow, window);
        run_preview(*camera, image_num_max);
    } catch (const std::exception& e) {
        platform::console_printf("エラー！(camera_preview)%s\n", e.what());
    }
    camera.reset();  // release the camera before the window, as the mode ends
    try {
        ui.destroy_window(kWindow);
    } catch (const std::exception&) {
    }
    platform::console_flush();
}

}  // namespace app
