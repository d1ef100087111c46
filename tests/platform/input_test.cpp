#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "platform/input.h"

namespace {

// Feeds standard input of this test process from a pipe.
class StdinPipe {
public:
    explicit StdinPipe(const std::string& text) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        saved_ = dup(0);
        dup2(fds[0], 0);
        close(fds[0]);
        EXPECT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(fds[1]);
    }
    ~StdinPipe() {
        dup2(saved_, 0);
        close(saved_);
    }

private:
    int saved_;
};

// The buffer of the input layer is process-wide, so one test walks through a whole session.
TEST(input, lines_numbers_and_keys_share_one_stream) {
    StdinPipe in("3\r\n  42abc\nabc\n-7\ncQ\n99999999999\nlast");
    int v = 0;
    EXPECT_EQ(platform::read_number(v), platform::NumberInput::number);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(platform::read_number(v), platform::NumberInput::number);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(platform::read_number(v), platform::NumberInput::not_a_number);
    EXPECT_EQ(platform::read_number(v), platform::NumberInput::number);
    EXPECT_EQ(v, -7);
    EXPECT_EQ(platform::read_key(125), 'c');
    EXPECT_EQ(platform::read_key(125), 'Q');
    EXPECT_EQ(platform::read_key(125), '\n');
    EXPECT_EQ(platform::read_number(v), platform::NumberInput::not_a_number);  // out of range
    EXPECT_EQ(platform::read_line(), std::optional<std::string>("last"));
    EXPECT_EQ(platform::read_number(v), platform::NumberInput::end_of_input);

    // At the end of input a key wait still takes its time, so a mode's loop keeps its pace.
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::read_key(100), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(95));
    EXPECT_TRUE(platform::input_ended());
}

}  // namespace
