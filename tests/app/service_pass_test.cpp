// One pass's answer of the stereo service, the window titles and the frame conversion, run in
// this process on rendered pictures in a temporary work directory.

#include "app/service_pass.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <opencv2/imgproc.hpp>

#include "app/corn_location_service.h"
#include "app/service_frame.h"
#include "platform/console.h"
#include "platform/work_dir.h"
#include "tests/app/mode_test_support.h"
#include "tests/app/service_test_support.h"

namespace {

using service_test::three_cones;
using test_support::TempDir;

bool exists(const std::string& path) {
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

class ServicePass : public ::testing::Test {
protected:
    ServicePass() {
        platform::set_work_dir(dir.path());
        test_support::write_file(dir.file("rk9t_color.dat"), service_test::kColorTable);
        ws->recog_plm = files::initial_recog_params();
    }
    ~ServicePass() override { platform::set_work_dir(previous_dir); }

    // One pass with the scene's pictures; the console text of the pass.
    std::string pass(int key, bool request) {
        std::string console;
        platform::ConsoleRedirect redirect(&console);
        app::answer_service_pass(key, request, image1, image2, *ws);
        return console;
    }

    std::string read(const char* name) { return test_support::read_file(dir.file(name)); }

    const std::string previous_dir = platform::work_dir();
    TempDir dir;
    const sim::Scene scene = three_cones();
    const cv::Mat left = sim::render(scene, sim::View::left);
    const cv::Mat right = sim::render(scene, sim::View::right);
    cv::Mat image1 = left.clone();
    cv::Mat image2 = right.clone();
    std::unique_ptr<app::ServiceWorkspace> ws = std::make_unique<app::ServiceWorkspace>();
};

const std::string kRequestUnreadable = "エラー！(fio_read_recog_plm)リクエストファイルを開けませんでした。\n";

TEST_F(ServicePass, key_c_with_a_request_is_answered_once_without_captured) {
    service_test::write_request(dir.path());
    const std::string console = pass('c', true);
    EXPECT_EQ(mode_test::count(console, "画像取込　認識開始"), 1);
    EXPECT_EQ(console.find("Captured!!"), std::string::npos);
    EXPECT_FALSE(exists(dir.file("req_file.dat")));
    EXPECT_TRUE(exists(dir.file("notify.txt")));
    EXPECT_EQ(read("notify.txt"), "");
    service_test::expect_report_matches(read("report.txt"), scene);
    EXPECT_TRUE(service_test::same_picture(mode_test::read_picture(dir.file("rk9t_left.bmp")), left));
    EXPECT_TRUE(service_test::same_picture(mode_test::read_picture(dir.file("rk9t_right.bmp")), right));
}

TEST_F(ServicePass, key_t_after_a_request_in_the_same_pass_finds_the_cones_again) {
    service_test::write_request(dir.path());
    const std::string console = pass('t', true);
    EXPECT_FALSE(exists(dir.file("req_file.dat")));
    service_test::expect_report_matches(read("report.txt"), scene);
    // The test run reads the parameters again (the request is gone by then) and works on the
    // pictures as the cameras gave them, not on the request's binarized ones.
    EXPECT_EQ(mode_test::count(console, kRequestUnreadable), 1);
    service_test::expect_report_matches(read("notify.txt"), scene);
    EXPECT_TRUE(service_test::same_picture(image1, left));
    EXPECT_TRUE(service_test::same_picture(image2, right));
}

TEST_F(ServicePass, a_test_run_reads_a_request_that_came_late_but_leaves_it) {
    // The request appeared after the pass's request test: only the test run sees it.
    service_test::write_request(dir.path());
    const std::string console = pass('t', false);
    EXPECT_EQ(console.find(kRequestUnreadable), std::string::npos);
    EXPECT_TRUE(exists(dir.file("req_file.dat")));
    service_test::expect_report_matches(read("notify.txt"), scene);
    EXPECT_FALSE(exists(dir.file("report.txt")));
    EXPECT_FALSE(exists(dir.file("rk9t_left.bmp")));
    EXPECT_FALSE(exists(dir.file("rk9t_right.bmp")));
}

TEST_F(ServicePass, other_keys_without_a_request_do_nothing) {
    for (int key : {-1, 0, int{'C'}, int{'T'}, int{'Q'}, int{'q'}, int{'x'}})
        EXPECT_EQ(pass(key, false), "") << key;
    for (const char* name : {"notify.txt", "report.txt", "rk9t_left.bmp", "rk9t_right.bmp"})
        EXPECT_FALSE(exists(dir.file(name))) << name;
}

TEST_F(ServicePass, parameters_are_kept_from_one_request_to_the_next) {
    service_test::write_request(dir.path(), "color_th,0.1\nmin_pixnum,100000\nmax_pixnum,200000\n");
    pass(-1, true);
    EXPECT_EQ(read("report.txt"), "");            // no region is that large
    service_test::write_request(dir.path(), "");  // a request without parameters keeps them
    pass(-1, true);
    EXPECT_EQ(read("report.txt"), "");
    service_test::write_request(dir.path());
    pass(-1, true);
    service_test::expect_report_matches(read("report.txt"), scene);
}

// The other keys are kept, the precise mode is not: the next request without the key gets the
// very report a service that never saw a precise request gives.
TEST_F(ServicePass, the_precise_mode_is_only_for_the_request_that_asks) {
    service_test::write_request(dir.path());
    pass(-1, true);
    const std::string whole = read("report.txt");
    service_test::write_request(dir.path(), "precision,1\n");
    pass(-1, true);
    const std::string precise = read("report.txt");
    service_test::expect_report_matches(precise, scene);
    EXPECT_NE(precise, whole);
    service_test::write_request(dir.path(), "");
    pass(-1, true);
    EXPECT_EQ(read("report.txt"), whole);
}

TEST_F(ServicePass, a_report_that_cannot_be_written_is_not_left_for_the_controller) {
    // Every write to the report fails (a full disk), after an older report was there.
    std::filesystem::create_symlink("/dev/full", dir.file("report.txt"));
    service_test::write_request(dir.path());
    const std::string console = pass(-1, true);
    EXPECT_NE(console.find("に書き込めません"), std::string::npos) << console;
    EXPECT_FALSE(exists(dir.file("report.txt")));
    // The controller still gets its answer: no report, so no objects it could take for found.
    EXPECT_FALSE(exists(dir.file("req_file.dat")));
    EXPECT_TRUE(exists(dir.file("notify.txt")));
}

TEST(service_window_titles, device_0_is_titled_left_only_for_left_cam_id_1) {
    const app::ServiceWindowTitles left = app::service_window_titles(1);
    EXPECT_EQ(left.window_name1, "VideoInput1(Left  Camera)");
    EXPECT_EQ(left.window_name2, "VideoInput2(Right Camera)");
    for (int id : {0, 2, -1, 100}) {
        const app::ServiceWindowTitles swapped = app::service_window_titles(id);
        EXPECT_EQ(swapped.window_name1, "VideoInput2(Right Camera)") << id;
        EXPECT_EQ(swapped.window_name2, "VideoInput1(Left  Camera)") << id;
    }
}

// The delivered form of an upright picture: rows bottom-up.
std::vector<uint8_t> bottom_up(const cv::Mat& upright) {
    cv::Mat flipped;
    cv::flip(upright, flipped, 0);
    return std::vector<uint8_t>(flipped.datastart, flipped.dataend);
}

TEST(frame_to_upright_image, frames_are_turned_upright_at_320_x_240) {
    const cv::Mat scene = sim::render(three_cones(), sim::View::left);
    cv::Mat image;
    std::vector<uint8_t> frame = bottom_up(scene);
    ASSERT_TRUE(app::frame_to_upright_image(frame.data(), 320, 240, image));
    EXPECT_TRUE(service_test::same_picture(image, scene));

    // Twice the size, each pixel doubled: reduced by nearest neighbour, it is the scene again.
    cv::Mat large;
    cv::resize(scene, large, cv::Size(640, 480), 0, 0, cv::INTER_NEAREST);
    frame = bottom_up(large);
    image = cv::Mat::zeros(240, 320, CV_8UC3);
    ASSERT_TRUE(app::frame_to_upright_image(frame.data(), 640, 480, image));
    EXPECT_TRUE(service_test::same_picture(image, scene));

    cv::Mat small;
    cv::resize(scene, small, cv::Size(160, 120), 0, 0, cv::INTER_NEAREST);
    frame = bottom_up(small);
    ASSERT_TRUE(app::frame_to_upright_image(frame.data(), 160, 120, image));
    cv::Mat expected;
    cv::resize(small, expected, cv::Size(320, 240), 0, 0, cv::INTER_NEAREST);
    EXPECT_TRUE(service_test::same_picture(image, expected));
}

TEST(frame_to_upright_image, without_a_frame_the_picture_stays) {
    const cv::Mat scene = sim::render(three_cones(), sim::View::right);
    cv::Mat image = scene.clone();
    uint8_t pixel[3] = {};
    EXPECT_FALSE(app::frame_to_upright_image(nullptr, 320, 240, image));
    EXPECT_FALSE(app::frame_to_upright_image(pixel, 0, 240, image));
    EXPECT_FALSE(app::frame_to_upright_image(pixel, 320, -1, image));
    EXPECT_TRUE(service_test::same_picture(image, scene));
}

}  // namespace
