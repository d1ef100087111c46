#include "capture/v4l2/opencv_camera.h"

namespace capture {

OpenCvCamera::OpenCvCamera(int index) {
    // The library throws on some back-end failures instead of leaving the capture closed.
    try {
        capture_.open(index);
    } catch (const cv::Exception&) {
        capture_.release();
    }
}

bool OpenCvCamera::is_open() const { return capture_.isOpened(); }

bool OpenCvCamera::read(cv::Mat& frame) {
    try {
        return capture_.read(frame) && !frame.empty();
    } catch (const cv::Exception&) {
        return false;
    }
}

}  // namespace capture
