#pragma once
// Shared bits of the end-to-end tests of the menu's modes: the command line, the menu's last line,
// pictures written by the tool.

#include <opencv2/imgcodecs.hpp>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace mode_test {

inline const std::string kMenuEnd = "99:終了\n";

inline std::vector<std::string> args(const test_support::TempDir& dir, std::vector<std::string> extra = {}) {
    std::vector<std::string> a{"--headless", "--camera", "sim", "--encoding", "utf-8"};
    a.insert(a.end(), {"--work-dir", dir.path()});
    a.insert(a.end(), extra.begin(), extra.end());
    return a;
}

// The picture exactly as stored (an empty Mat when there is none).
inline cv::Mat read_picture(const std::string& path) { return cv::imread(path, cv::IMREAD_UNCHANGED); }

inline bool same_pixels(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && a.type() == b.type() && cv::countNonZero(a != b) == 0;
}

inline int count(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

}  // namespace mode_test
