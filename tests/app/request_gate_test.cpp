// Which files of the request's name the service answers, looked at pass by pass.

#include "app/request_gate.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/console.h"
#include "tests/support/child_process.h"

namespace {

using test_support::TempDir;

class Gate : public ::testing::Test {
protected:
    // One look, with what it printed.
    bool look(std::string* printed = nullptr) {
        std::string console;
        platform::ConsoleRedirect redirect(&console);
        const bool waiting = gate.request_waiting();
        if (printed) *printed = console;
        said += console;
        return waiting;
    }

    TempDir dir;
    const std::string request = dir.file("req_file.dat");
    app::RequestGate gate{request};
    std::string said;
};

TEST_F(Gate, a_regular_file_is_a_request_until_it_is_answered_and_deleted) {
    EXPECT_FALSE(look());
    test_support::write_file(request, "min_pixnum,5\n");
    EXPECT_TRUE(look());
    EXPECT_TRUE(look()) << "not answered yet";
    gate.answered(true);
    std::filesystem::remove(request);
    EXPECT_FALSE(look());
    test_support::write_file(request, "");
    EXPECT_TRUE(look());
    EXPECT_EQ(said, "");
}

TEST_F(Gate, an_answered_request_that_stayed_is_not_answered_again_until_it_is_gone_or_replaced) {
    test_support::write_file(request, "");
    ASSERT_TRUE(look());
    gate.answered(false);  // the delete failed
    EXPECT_FALSE(look());
    EXPECT_FALSE(look());
    // Another file put in its place is another request.
    test_support::write_file(dir.file("next"), "");
    std::filesystem::rename(dir.file("next"), request);
    ASSERT_TRUE(look());
    gate.answered(false);
    EXPECT_FALSE(look());
    std::filesystem::remove(request);
    EXPECT_FALSE(look());
    test_support::write_file(request, "");
    ASSERT_TRUE(look());
    gate.answered(false);
    // Deleted and written anew between two looks, likely under the same inode number.
    std::filesystem::remove(request);
    test_support::write_file(request, "min_pixnum,5\n");
    EXPECT_TRUE(look());
}

TEST_F(Gate, anything_else_of_the_name_is_named_once_and_never_a_request) {
    std::filesystem::create_directory(request);
    std::string printed;
    EXPECT_FALSE(look(&printed));
    EXPECT_NE(printed.find("  " + request + ": not a regular file (a directory)\n"), std::string::npos)
        << printed;
    EXPECT_FALSE(look(&printed));
    EXPECT_EQ(printed, "") << "named once";
    std::filesystem::remove(request);
    ASSERT_EQ(mkfifo(request.c_str(), 0644), 0);
    EXPECT_FALSE(look(&printed));
    EXPECT_NE(printed.find(": not a regular file (a FIFO)\n"), std::string::npos) << printed;
    std::filesystem::remove(request);
    test_support::write_file(dir.file("target"), "");
    std::filesystem::create_symlink(dir.file("target"), request);  // a link is not followed
    EXPECT_FALSE(look(&printed));
    EXPECT_NE(printed.find(": not a regular file (a symbolic link)\n"), std::string::npos) << printed;
    EXPECT_TRUE(std::filesystem::exists(dir.file("target")));
}

}  // namespace
