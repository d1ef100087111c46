#include "app/numbered_name.h"

#include <gtest/gtest.h>

#include "platform/work_dir.h"

namespace {

TEST(numbered_name, zero_fill_stops_at_the_digit_count) {
    EXPECT_EQ(app::zero_filled(0, 6), "000000");
    EXPECT_EQ(app::zero_filled(2, 6), "000002");
    EXPECT_EQ(app::zero_filled(123456, 6), "123456");
    EXPECT_EQ(app::zero_filled(1234567, 6), "1234567");  // seven digits: the plain number
    EXPECT_EQ(app::zero_filled(534, 5), "00534");
    EXPECT_EQ(app::zero_filled(100000, 5), "100000");
}

TEST(numbered_name, series_and_still_paths_lie_in_the_work_directory) {
    const std::string saved = platform::work_dir();
    platform::set_work_dir("/tmp/w");
    EXPECT_EQ(app::series_picture_path(0), "/tmp/w/gray_image_000000.bmp");
    EXPECT_EQ(app::series_picture_path(1234567), "/tmp/w/gray_image_1234567.bmp");
    EXPECT_EQ(app::still_picture_path(549), "/tmp/w/static_movie/red_corn2/capt3_00549.bmp");
    EXPECT_EQ(app::still_picture_path(123454), "/tmp/w/static_movie/red_corn2/capt3_123454.bmp");
    platform::set_work_dir(saved);
}

}  // namespace
