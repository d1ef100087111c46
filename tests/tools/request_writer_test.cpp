#include "tools/request_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "tests/support/child_process.h"

namespace {

using test_support::read_file;
using test_support::TempDir;
using tools::WriteRequestResult;

std::vector<std::string> files_in(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

TEST(request_writer, the_request_is_complete_before_it_appears) {
    TempDir dir;
    const std::string request = dir.file("req_file.dat");
    const std::string content = "max_pixnum,2000\ncolor_th,0.25\n";
    std::string seen_temp;
    bool request_visible_early = true;
    std::string error;
    const auto result = tools::write_request_file(request, content, error, [&](const std::string& temp) {
        seen_temp = temp;
        request_visible_early = platform::file_exists(request);
    });
    ASSERT_EQ(result, WriteRequestResult::written) << error;
    EXPECT_FALSE(request_visible_early);
    // Written beside the request (a rename within one file system), under another name, in full.
    EXPECT_EQ(std::filesystem::path(seen_temp).parent_path(), std::filesystem::path(request).parent_path());
    EXPECT_NE(std::filesystem::path(seen_temp).filename(), "req_file.dat");
    EXPECT_EQ(read_file(request), content);
    EXPECT_EQ(files_in(dir.path()), std::vector<std::string>{"req_file.dat"});
}

TEST(request_writer, a_pending_request_is_never_replaced) {
    TempDir dir;
    const std::string request = dir.file("req_file.dat");
    test_support::write_file(request, "min_pixnum,5\n");
    std::string error;
    EXPECT_EQ(tools::write_request_file(request, "min_pixnum,99\n", error), WriteRequestResult::pending);
    EXPECT_EQ(read_file(request), "min_pixnum,5\n");
    EXPECT_EQ(files_in(dir.path()), std::vector<std::string>{"req_file.dat"});

    // Also when the other request appears between our check and the rename.
    const std::string late = dir.file("late.dat");
    EXPECT_EQ(
        tools::write_request_file(late, "min_pixnum,99\n", error,
                                  [&](const std::string&) { test_support::write_file(late, "theirs\n"); }),
        WriteRequestResult::pending);
    EXPECT_EQ(read_file(late), "theirs\n");
    EXPECT_EQ(files_in(dir.path()).size(), 2u);
}

TEST(request_writer, an_unwritable_directory_is_reported_and_nothing_is_left) {
    TempDir dir;
    std::string error;
    EXPECT_EQ(tools::write_request_file(dir.file("missing/req_file.dat"), "x,1\n", error),
              WriteRequestResult::failed);
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_TRUE(files_in(dir.path()).empty());
}

}  // namespace
