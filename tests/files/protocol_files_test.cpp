#include "files/protocol_files.h"

#include <gtest/gtest.h>

#include "platform/work_dir.h"

namespace {

TEST(protocol_files, paths_follow_the_work_directory) {
    const std::string previous = platform::work_dir();
    platform::set_work_dir("/w");
    EXPECT_EQ(platform::work_dir(), "/w/");
    EXPECT_EQ(files::request_path(), "/w/req_file.dat");
    EXPECT_EQ(files::notify_path(), "/w/notify.txt");
    EXPECT_EQ(files::report_path(), "/w/report.txt");
    EXPECT_EQ(files::color_table_path(), "/w/rk9t_color.dat");
    EXPECT_EQ(files::still_dir_path(), "/w/static_movie/red_corn2/");
    platform::set_work_dir(previous);
}

}  // namespace
