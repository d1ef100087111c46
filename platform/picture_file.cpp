#include "platform/picture_file.h"

#include <exception>
#include <iostream>
#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <vector>

#include "platform/output_file.h"

namespace platform {
namespace {

// The decoder writes its own complaint about a damaged picture straight to std::cerr, past the
// library's log level; the tool names the problem itself, so the complaint is dropped.
class CerrSilenced {
public:
    CerrSilenced() : saved_(std::cerr.rdbuf(sink_.rdbuf())) {}
    ~CerrSilenced() { std::cerr.rdbuf(saved_); }
    CerrSilenced(const CerrSilenced&) = delete;
    CerrSilenced& operator=(const CerrSilenced&) = delete;

private:
    std::ostringstream sink_;
    std::streambuf* saved_;
};

}  // namespace

bool read_picture(const std::string& path, cv::Mat& picture, InputError& error) {
    picture.release();
    std::string bytes;
    if (!read_input_file(path, kPictureFileLimit, bytes, error)) return false;
    if (bytes.empty()) {
        error = {InputProblem::not_a_picture, "not a picture that can be read (an empty file)"};
        return false;
    }
    try {
        CerrSilenced quiet;
        const cv::Mat buffer(1, static_cast<int>(bytes.size()), CV_8UC1, bytes.data());
        picture = cv::imdecode(buffer, cv::IMREAD_ANYDEPTH | cv::IMREAD_ANYCOLOR);
    } catch (const std::exception&) {
        picture.release();
    }
    if (picture.empty()) {
        error = {InputProblem::not_a_picture, "not a picture that can be read (unknown form, or cut short)"};
        return false;
    }
    return true;
}

bool write_picture(const std::string& path, const cv::Mat& picture, std::string& reason) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        reason = "no picture form for this file name";
        return false;
    }
    std::vector<uchar> encoded;
    try {
        if (!cv::imencode(path.substr(dot), picture, encoded)) {
            reason = "the picture could not be encoded";
            return false;
        }
    } catch (const std::exception&) {
        reason = "no picture form for this file name, or the picture can't be stored in it";
        return false;
    }
    return write_output_file(
        path, std::string_view(reinterpret_cast<const char*>(encoded.data()), encoded.size()), reason);
}

void quiet_image_library_log() { cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_ERROR); }

}  // namespace platform
