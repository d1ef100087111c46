#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/work_dir.h"
#include "tests/support/child_process.h"

namespace {

TEST(work_dir, environment_then_home_and_trailing_slash) {
    const char* saved_env = std::getenv("RIVIVOVI_WORK_DIR");
    std::string saved = saved_env ? saved_env : "";
    setenv("RIVIVOVI_WORK_DIR", "/tmp/some/where", 1);
    EXPECT_EQ(platform::default_work_dir(), "/tmp/some/where/");
    unsetenv("RIVIVOVI_WORK_DIR");
    setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(platform::default_work_dir(), "/home/tester/Rivivovi/work/");
    if (saved_env) setenv("RIVIVOVI_WORK_DIR", saved.c_str(), 1);
}

TEST(work_dir, created_once_with_one_line) {
    test_support::TempDir tmp;
    platform::set_work_dir(tmp.file("a/b"));
    std::string out;
    {
        platform::ConsoleRedirect capture(&out);
        EXPECT_TRUE(platform::ensure_work_dir());
        EXPECT_TRUE(platform::ensure_work_dir());
    }
    EXPECT_TRUE(std::filesystem::is_directory(tmp.file("a/b")));
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    EXPECT_NE(out.find(tmp.file("a/b/")), std::string::npos);
}

TEST(file_ops, presence_empty_file_and_removal) {
    test_support::TempDir tmp;
    const std::string f = tmp.file("notify.txt");
    EXPECT_FALSE(platform::file_exists(f));
    test_support::write_file(f, "old content");
    EXPECT_TRUE(platform::create_empty_file(f));
    EXPECT_TRUE(platform::file_exists(f));
    EXPECT_EQ(std::filesystem::file_size(f), 0u);
    EXPECT_TRUE(platform::remove_file(f));
    EXPECT_FALSE(platform::remove_file(f));
    EXPECT_FALSE(platform::create_empty_file(tmp.file("no/such/dir/x")));
}

}  // namespace
