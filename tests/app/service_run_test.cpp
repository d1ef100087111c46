// The whole service run in this process on scripted cameras: the cases the simulated rig of the
// command line can't show (a missing second camera, cameras of another size, no camera at all).

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <opencv2/imgproc.hpp>

#include "app/corn_location_service.h"
#include "capture/sim/sim_backend.h"
#include "capture/sim/sim_device.h"
#include "capture/sim/sim_stereo_rig.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/work_dir.h"
#include "tests/app/mode_test_support.h"
#include "tests/app/service_test_support.h"

namespace {

using capture::FormatRange;
using capture::SimBackend;
using capture::SimDeviceConfig;
using service_test::three_cones;
using test_support::TempDir;

// A camera of the scene that offers only width x height; its frames are the 320 x 240 view with
// each pixel repeated (or left out), so reduced again by nearest neighbour they are the view.
SimDeviceConfig camera_of(const sim::Scene& scene, sim::View view, int width, int height) {
    SimDeviceConfig c;
    c.friendly_name = view == sim::View::left ? "Left" : "Right";
    c.width = width;
    c.height = height;
    c.subtype = capture::subtype::RGB24;
    c.capabilities = {FormatRange{capture::subtype::RGB24, width, height, width, height, 1, 1}};
    cv::Mat sized;
    cv::resize(sim::render(scene, view), sized, cv::Size(width, height), 0, 0, cv::INTER_NEAREST);
    cv::flip(sized, sized, 0);  // delivered bottom-up
    c.painter = [sized](uint64_t, int w, int h, uint8_t* bgr) {
        if (w == sized.cols && h == sized.rows) std::memcpy(bgr, sized.data, sized.total() * 3);
    };
    return c;
}

class ServiceRun : public ::testing::Test {
protected:
    ServiceRun() {
        platform::set_work_dir(dir.path());
        test_support::write_file(dir.file("rk9t_color.dat"), service_test::kColorTable);
    }
    ~ServiceRun() override { platform::set_work_dir(previous_dir); }

    const std::string previous_dir = platform::work_dir();
    TempDir dir;
    const sim::Scene scene = three_cones();
};

TEST_F(ServiceRun, a_missing_second_camera_is_named_and_everything_built_is_torn_down) {
    auto rig = std::make_shared<SimBackend>();
    rig->add_device(camera_of(scene, sim::View::left, 320, 240));
    service_test::write_request(dir.path());
    std::string console;
    app::ServiceEnd end;
    {
        platform::ConsoleRedirect redirect(&console);
        end = app::corn_location_service(rig, [] { return true; });
    }
    EXPECT_EQ(end, app::ServiceEnd::failed);
    EXPECT_NE(console.find("エラー！(corn_location_service)カメラ1を開けませんでした。\n"), std::string::npos)
        << console;
    EXPECT_EQ(console.find("カメラ0を"), std::string::npos);
    EXPECT_EQ(console.find("[q]キー"), std::string::npos) << "no loop without both cameras";
    EXPECT_NE(console.find("SETUP: Device 0 disconnected and freed"), std::string::npos);
    EXPECT_FALSE(rig->devices()[0]->streaming());
    EXPECT_TRUE(platform::file_exists(dir.file("req_file.dat"))) << "no request answered";
}

TEST_F(ServiceRun, cameras_of_another_size_are_converted_to_320_x_240) {
    for (auto [width, height] : {std::pair{640, 480}, std::pair{160, 120}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        auto rig = std::make_shared<SimBackend>();
        auto left = rig->add_device(camera_of(scene, sim::View::left, width, height));
        auto right = rig->add_device(camera_of(scene, sim::View::right, width, height));
        for (const char* name : {"notify.txt", "report.txt", "rk9t_left.bmp"})
            std::filesystem::remove(dir.file(name));
        service_test::write_request(dir.path());
        int passes = 0;
        // Starts the first pass once both cameras have delivered, and ends after the answer.
        const auto stop = [&] {
            if (passes++ > 0) return platform::file_exists(dir.file("notify.txt"));
            EXPECT_TRUE(test_support::wait_until(
                [&] { return left->frames_delivered() > 0 && right->frames_delivered() > 0; }));
            return false;
        };
        std::string console;
        app::ServiceEnd end;
        {
            platform::ConsoleRedirect redirect(&console);
            end = app::corn_location_service(rig, stop);
        }
        EXPECT_EQ(end, app::ServiceEnd::quit);
        const std::string size = std::to_string(width) + " x " + std::to_string(height);
        EXPECT_NE(console.find("警告：(corn_location_service)カメラ0の画像は " + size), std::string::npos)
            << console;
        EXPECT_NE(console.find("警告：(corn_location_service)カメラ1の画像は " + size), std::string::npos);
        const cv::Mat saved = mode_test::read_picture(dir.file("rk9t_left.bmp"));
        ASSERT_EQ(saved.size(), cv::Size(320, 240));
        if (width == 640) {
            EXPECT_TRUE(service_test::same_picture(saved, sim::render(scene, sim::View::left)));
            service_test::expect_report_matches(test_support::read_file(dir.file("report.txt")), scene);
        }
        EXPECT_FALSE(left->streaming());
        EXPECT_FALSE(right->streaming());
    }
}

// The service on a rig that stalls; the request is put in place once both cameras are named as
// stalled, and the service ends once it is answered. Returns the console.
std::string answer_across_a_stall(std::shared_ptr<capture::SimBackend> rig, const std::string& dir) {
    std::string console;
    bool written = false;
    const auto deadline = std::chrono::steady_clock::now() + test_support::kLongWait;
    const auto stop = [&] {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "no answer in time:\n" << console;
            return true;
        }
        if (!written && console.find("カメラ0から1秒間フレームが届いていません") != std::string::npos &&
            console.find("カメラ1から1秒間フレームが届いていません") != std::string::npos) {
            service_test::write_request(dir);
            written = true;
        }
        return written && platform::file_exists(dir + "notify.txt");
    };
    app::ServiceEnd end;
    {
        platform::ConsoleRedirect redirect(&console);
        end = app::corn_location_service(rig, stop);
    }
    EXPECT_EQ(end, app::ServiceEnd::quit);
    return console;
}

// Each text found after the one before it.
void expect_in_order(const std::string& console, const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const std::string& text : texts) {
        const size_t found = console.find(text, at);
        ASSERT_NE(found, std::string::npos) << "missing after byte " << at << ": " << text << "\n" << console;
        at = found + text.size();
    }
}

const std::string kWaiting = "にはカメラの画像が届くまで応答しません。\n";
const std::string kAnswering = "カメラの画像が届いたので、待っていたリクエストに応答します。\n";
const std::string kHeading = "\n----------------画像取込　認識開始-----------\n";

TEST_F(ServiceRun, a_request_waits_while_the_cameras_deliver_nothing_and_is_answered_when_they_do) {
    // A second of frames, then none for 2.5 s, then frames again (or the frozen-device rule's
    // reopen, whichever comes first).
    const std::string console =
        answer_across_a_stall(capture::make_sim_stereo_rig(scene, 30, 2500), dir.path());
    expect_in_order(console, {"カメラ0から1秒間フレームが届いていません。", kWaiting,
                              "カメラ0からまたフレームが届いています", kAnswering, kHeading});
    expect_in_order(console, {"カメラ1から1秒間フレームが届いていません。", kWaiting,
                              "カメラ1からまたフレームが届いています", kAnswering, kHeading});
    EXPECT_EQ(mode_test::count(console, kHeading), 1) << console;
    EXPECT_EQ(mode_test::count(console, kWaiting), 1) << "said once per request\n" << console;
    EXPECT_FALSE(platform::file_exists(dir.file("req_file.dat")));
    EXPECT_TRUE(service_test::same_picture(mode_test::read_picture(dir.file("rk9t_left.bmp")),
                                           sim::render(scene, sim::View::left)));
    service_test::expect_report_matches(test_support::read_file(dir.file("report.txt")), scene);
}

TEST_F(ServiceRun, cameras_stalled_for_good_are_reopened_and_the_waiting_request_answered) {
    // A second of frames per stream, then none until the stream is started again.
    const std::string console = answer_across_a_stall(capture::make_sim_stereo_rig(scene, 30), dir.path());
    expect_in_order(console, {kWaiting, "ERROR: Device seems frozen - attempting to reconnect\n",
                              "SUCCESS: Able to reconnect to device\n", "またフレームが届いています",
                              kAnswering, kHeading});
    service_test::expect_report_matches(test_support::read_file(dir.file("report.txt")), scene);
}

// The process's status 255 is main's: the end-to-end menu and serve tests check it.
TEST_F(ServiceRun, no_camera_at_all_is_said_on_the_error_stream_and_returned) {
    std::string console;
    app::ServiceEnd end;
    {
        platform::ConsoleRedirect redirect(&console);
        end = app::corn_location_service(std::make_shared<SimBackend>());
    }
    EXPECT_EQ(end, app::ServiceEnd::no_capture_device);
    EXPECT_NE(console.find("[Error] Capture device not found!!\n"), std::string::npos) << console;
}

}  // namespace
