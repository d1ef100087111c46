#include "app/corn_location_service.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <opencv2/core.hpp>
#include <optional>

#include "app/camera_hint.h"
#include "app/request_gate.h"
#include "app/service_cameras.h"
#include "app/service_pass.h"
#include "app/stereo_annotation.h"
#include "capture/camera_backend.h"
#include "capture/video_input.h"
#include "files/protocol_files.h"
#include "files/request_file.h"
#include "platform/console.h"
#include "platform/dir_lock.h"
#include "platform/file_watch.h"
#include "platform/input.h"
#include "platform/ui.h"
#include "platform/work_dir.h"

namespace app {
namespace {

constexpr int kKeyQuit = 'q';
constexpr int kKeyWaitMs = 125;
// The key wait is cut into slices this long; between them the cameras are polled (each poll
// counts for the frozen-device rule) and a request put in place is looked for.
constexpr int kPollMs = 10;
// Polls without a frame after which the capture library reopens a device: about the time after
// which a camera is named as stalled.
constexpr int kFreezePolls =
    static_cast<int>(std::chrono::milliseconds(ServiceCameras::kStallTime).count() / kPollMs);
constexpr int kLeftDevice = 0;
constexpr int kRightDevice = 1;
// Screen places of the two windows: the gap leaves room for a window manager's frames.
constexpr int kWindowMargin = 24;
constexpr int kWindowGap = 24;

// Everything the service builds at start-up; torn down in a fixed order however the run ended.
struct ServiceResources {
    platform::DirLock lock;  // released last, when everything else is gone
    std::unique_ptr<ServiceWorkspace> ws;
    cv::Mat image1, image2;
    cv::Mat shown1, shown2;  // the pictures with what the last answer found drawn over them
    ServiceWindowTitles titles;
    bool window1_created = false;
    bool window2_created = false;
    std::unique_ptr<capture::VideoInput> VI;
};

// Opens both cameras at 320 x 240, naming each one that can't be opened. A camera that offers
// another size is used at the size it has, converted frame by frame.
bool open_cameras(capture::VideoInput& VI) {
    bool opened[2];
    for (int index : {kLeftDevice, kRightDevice})
        opened[index] = VI.openDevice(index, recog::kFrameWidth, recog::kFrameHeight);
    bool all = true;
    for (int index : {kLeftDevice, kRightDevice}) {
        if (!opened[index] || !VI.isDeviceOpen(index)) {
            platform::console_printf("エラー！(corn_location_service)カメラ%dを開けませんでした。\n", index);
            all = false;
        } else if (VI.widthOf(index) != recog::kFrameWidth || VI.heightOf(index) != recog::kFrameHeight) {
            platform::console_printf(
                "警告：(corn_location_service)カメラ%dの画像は %d x %d です。320 x 240 "
                "に変換して使います。\n",
                index, VI.widthOf(index), VI.heightOf(index));
        }
    }
    return all;
}

// One service per work directory: two would answer one request twice. False when another
// service holds it; a lock that can't be had at all (a read-only directory) only warns.
bool take_work_dir(platform::DirLock& lock) {
    const std::string path = files::service_lock_path();
    switch (lock.take(path)) {
        case platform::DirLock::Result::taken:
            return true;
        case platform::DirLock::Result::held_elsewhere: {
            const std::string holder = lock.holder_id().empty() ? std::string("番号不明") : lock.holder_id();
            platform::console_printf(
                "エラー！(corn_location_service)作業ディレクトリ %s では別のサービス（プロセス "
                "%s）が動いています。\n",
                platform::work_dir().c_str(), holder.c_str());
            return false;
        }
        case platform::DirLock::Result::unavailable:
            platform::console_printf(
                "警告：(corn_location_service)"
                "ロックファイルを使えません。ほかのサービスと同時に動くのを防げません。\n");
            platform::console_printf("  %s: %s\n", path.c_str(), lock.reason().c_str());
            return true;
    }
    return true;
}

// What the service watches and waits for, said once when it starts serving. No watch: it was
// not asked for.
void say_what_is_watched(const platform::FileWatch* watch) {
    platform::console_printf("作業ディレクトリ：%s\n", platform::work_dir().c_str());
    const std::string request(files::kRequestFile);
    if (!watch) {
        platform::console_printf("%s が置かれるのを待ちます（%d ms ごとに確かめます）。\n", request.c_str(),
                                 kKeyWaitMs);
    } else if (watch->active()) {
        platform::console_printf("%s が置かれるのを待ちます（置かれたらすぐに応答します）。\n",
                                 request.c_str());
    } else {
        platform::console_printf(
            "%s が置かれるのを待ちます（%d ms ごとに確かめます。監視できません：%s）。\n", request.c_str(),
            kKeyWaitMs, watch->error().c_str());
    }
}

// The pass's key wait of 125 ms, cut into slices: between them the cameras are polled, and with
// the watch it ends as soon as a request can be answered (a new one has come, or the pictures of
// the one waiting are there). The key, or -1.
int wait_for_key(platform::Ui& ui, platform::FileWatch* watch, RequestGate& gate, ServiceCameras& cameras) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kKeyWaitMs);
    for (;;) {
        // Less than a millisecond left: a key wait that short ends at once, and each turn would
        // count as a poll of the frozen-device rule.
        const auto left_us =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
        if (left_us < 1000) return -1;
        const int slice = static_cast<int>(std::min<long long>((left_us + 999) / 1000, kPollMs));
        const int key = ui.wait_key_or_wake(slice, watch);
        cameras.poll(Clock::now());
        if (key != -1) return key;
        if (watch && watch->active() &&
            (cameras.request_begun() ? cameras.request_ready() : gate.request_waiting()))
            return -1;
    }
}

// Shows the pictures; after an answer in the windows of the GUI with what it found drawn over them.
void show_pictures(platform::Ui& ui, ServiceResources& s, const StereoAnnotation* found) {
    if (!found) {
        ui.show(s.titles.window_name1, s.image1);
        ui.show(s.titles.window_name2, s.image2);
        return;
    }
    s.image1.copyTo(s.shown1);
    s.image2.copyTo(s.shown2);
    draw_camera_annotation(s.shown1, *found, Side::left);  // device 0 is the left picture
    draw_camera_annotation(s.shown2, *found, Side::right);
    ui.show(s.titles.window_name1, s.shown1);
    ui.show(s.titles.window_name2, s.shown2);
}

ServiceEnd run_service(std::shared_ptr<capture::CameraBackend> camera_backend, const ServiceStop& stop,
                       const CamerasOpened& opened, const ServiceHooks& hooks, ServiceResources& s) {
    platform::Ui& ui = platform::ui();
    int key = 0;
    if (!take_work_dir(s.lock)) return ServiceEnd::failed;
    const std::string fname_color = files::color_table_path();

    s.ws = std::make_unique<ServiceWorkspace>();
    ServiceWorkspace& ws = *s.ws;
    ws.recog_plm = files::initial_recog_params();
    files::fio_read_recog_plm(&ws.recog_plm, fname_color, files::request_path(),
                              files::ParamSources::color_only);

    s.image1 = cv::Mat::zeros(recog::kFrameHeight, recog::kFrameWidth, CV_8UC3);
    s.image2 = cv::Mat::zeros(recog::kFrameHeight, recog::kFrameWidth, CV_8UC3);
    s.titles = service_window_titles(ws.recog_plm.left_cam_id);
    const ServiceWindowOptions looks = service_window_options(ws.recog_plm.left_cam_id);
    ui.create_window(s.titles.window_name1, looks.window1);
    s.window1_created = true;
    ui.create_window(s.titles.window_name2, looks.window2);
    s.window2_created = true;

    s.VI = std::make_unique<capture::VideoInput>(std::move(camera_backend));
    if (s.VI->enumerateDevices(false) == 0) {
        platform::console_error_printf("[Error] Capture device not found!!\n");
        print_no_camera_hint();
        platform::console_flush();
        return ServiceEnd::no_capture_device;
    }
    if (!open_cameras(*s.VI)) return ServiceEnd::failed;
    if (opened) opened(*s.VI);

    platform::console_printf("[q]キーを押すと終了します。\n");
    platform::console_printf("[c]キーを押すとファイルへセーブします。\n");
    platform::console_printf("[t]キーを押すとテスト動作を実行します。\n");
    // The key wait ends as soon as a request is put in place; without the watch it is polled.
    std::optional<platform::FileWatch> watch;
    if (hooks.watch_requests) watch.emplace(platform::work_dir(), std::string(files::kRequestFile));
    platform::FileWatch* const wake = watch ? &*watch : nullptr;
    say_what_is_watched(wake);
    platform::console_flush();
    RequestGate gate(files::request_path());
    ServiceCameras cameras(*s.VI, s.image1, s.image2);
    cameras.start(kFreezePolls, std::chrono::steady_clock::now());
    bool said_waiting = false;              // that the request waits for a camera
    std::optional<StereoAnnotation> found;  // what the last answer found, for the windows

    // Tested at the top, so the pass in which q comes is finished first (a request in it is
    // still answered).
    while (key != kKeyQuit) {
        if (stop && stop()) break;
        cameras.poll(std::chrono::steady_clock::now());
        show_pictures(ui, s, found ? &*found : nullptr);
        key = wait_for_key(ui, wake, gate, cameras);
        // A request is answered from pictures captured after it was noticed, and not at all while
        // a camera delivers none: the controller's own time limit decides how long it waits.
        bool answer = false;
        if (gate.request_waiting()) {
            if (!cameras.request_begun()) cameras.begin_request(std::chrono::steady_clock::now());
            answer = cameras.request_ready();
            if (!answer && !said_waiting) {
                platform::console_printf("  リクエストファイル %s にはカメラの画像が届くまで応答しません。\n",
                                         files::request_path().c_str());
                said_waiting = true;
            } else if (answer && said_waiting) {
                platform::console_printf("カメラの画像が届いたので、待っていたリクエストに応答します。\n");
            }
        } else {
            cameras.end_request();
            said_waiting = false;
        }
        const PassOutcome outcome = answer_service_pass(key, answer, s.image1, s.image2, ws);
        if (outcome.answered) {
            gate.answered(outcome.request_deleted);
            if (hooks.on_answer) {
                hooks.on_answer(
                    AnsweredRequest{cameras.noticed(), {cameras.captured(0), cameras.captured(1)}});
            }
            cameras.end_request();
            said_waiting = false;
        }
        if (outcome.recognized && !ui.headless()) {
            found = describe_stereo_pair(ws.image_info, ws.area_info_large, ws.match_list.data(),
                                         ws.subpixel ? ws.subpixel_large : nullptr);
        }
        platform::console_flush();
    }
    return ServiceEnd::quit;
}

// Runs one tear-down step; an error in it does not keep the later steps from running.
template <typename Step>
void guarded(Step step) {
    try {
        step();
    } catch (const std::exception& e) {
        platform::console_printf("エラー！(corn_location_service)%s\n", e.what());
    }
}

void tear_down(ServiceResources& s) {
    if (s.VI) {
        guarded([&] { s.VI->closeDevice(kLeftDevice); });
        guarded([&] { s.VI->closeDevice(kRightDevice); });
    }
    platform::Ui& ui = platform::ui();
    if (s.window1_created) guarded([&] { ui.destroy_window(s.titles.window_name1); });
    if (s.window2_created) guarded([&] { ui.destroy_window(s.titles.window_name2); });
    s.image1.release();
    s.image2.release();
    s.shown1.release();
    s.shown2.release();
    guarded([&] { s.VI.reset(); });
    s.ws.reset();
}

}  // namespace

ServiceWindowTitles service_window_titles(int left_cam_id) {
    const char* const left = "VideoInput1(Left  Camera)";  // two blanks: both titles are as long
    const char* const right = "VideoInput2(Right Camera)";
    if (left_cam_id == 1) return {left, right};
    return {right, left};
}

ServiceWindowOptions service_window_options(int left_cam_id) {
    // Side by side, the window titled as the left camera at the left; closing either ends the
    // service as q does.
    platform::WindowOptions left;
    left.status_line = "q: end   c: save pictures   t: test run";
    left.close_key = kKeyQuit;
    left.x = kWindowMargin;
    left.y = kWindowMargin;
    platform::WindowOptions right = left;
    right.x = kWindowMargin + recog::kFrameWidth + kWindowGap;
    if (left_cam_id == 1) return {left, right};
    return {right, left};
}

ServiceEnd corn_location_service(const capture::BackendOptions& backend, const ServiceStop& stop,
                                 const CamerasOpened& opened) {
    std::shared_ptr<capture::CameraBackend> camera_backend;
    try {
        camera_backend = capture::make_camera_backend(backend);
    } catch (const std::exception& e) {
        platform::console_printf("エラー！(corn_location_service)%s\n", e.what());
        platform::console_flush();
        return ServiceEnd::failed;
    }
    return corn_location_service(std::move(camera_backend), stop, opened);
}

ServiceEnd corn_location_service(std::shared_ptr<capture::CameraBackend> camera_backend,
                                 const ServiceStop& stop, const CamerasOpened& opened,
                                 const ServiceHooks& hooks) {
    platform::SingleKeyMode single_keys;
    ServiceResources s;
    ServiceEnd end = ServiceEnd::failed;
    try {
        end = run_service(std::move(camera_backend), stop, opened, hooks, s);
    } catch (const std::exception& e) {
        platform::console_printf("エラー！(corn_location_service)%s\n", e.what());
        end = ServiceEnd::failed;
    }
    tear_down(s);
    platform::console_flush();
    return end;
}

}  // namespace app
