#pragma once
// The set-up every capture library test shares, whatever the back end: verbose output on and
// captured in `out`, and the library object made on demand and destroyed before the capture ends.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "capture/camera_backend.h"
#include "capture/video_input.h"
#include "platform/console.h"
#include "tests/capture/text_checks.h"

namespace capture_test {

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        capture::VideoInput::verbose = true;
        redirect_.emplace(&out);
    }
    void TearDown() override {
        vi_.reset();
        redirect_.reset();
        capture::VideoInput::verbose = true;
    }

    // A new library object over the back end, in place of the last one.
    capture::VideoInput& make_vi(std::shared_ptr<capture::CameraBackend> backend) {
        vi_ = std::make_unique<capture::VideoInput>(std::move(backend));
        return *vi_;
    }
    // Output printed since the mark, and a new mark.
    std::string since(size_t& mark) {
        std::string text = out.substr(mark);
        mark = out.size();
        return text;
    }

    std::string out;

private:
    std::optional<platform::ConsoleRedirect> redirect_;
    std::unique_ptr<capture::VideoInput> vi_;
};

}  // namespace capture_test
