#pragma once
// A USB camera read through the image library's own simple capture (the live preview's camera).

#include <opencv2/videoio.hpp>

#include "capture/backend.h"

namespace capture {

// Opens the camera with the given index at construction; is_open() tells whether that worked.
class OpenCvCamera final : public SimpleCamera {
public:
    explicit OpenCvCamera(int index);
    bool is_open() const;
    bool read(cv::Mat& frame) override;

private:
    cv::VideoCapture capture_;
};

}  // namespace capture
