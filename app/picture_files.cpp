#include "app/picture_files.h"

#include "platform/console.h"
#include "platform/picture_file.h"

namespace app {

bool load_picture(const std::string& path, cv::Mat& picture, platform::InputError& error) {
    return platform::read_picture(path, picture, error);
}

bool save_picture(const std::string& path, const cv::Mat& picture, std::string& reason) {
    return platform::write_picture(path, picture, reason);
}

bool save_picture(const std::string& path, const cv::Mat& picture, const char* who) {
    std::string reason;
    if (save_picture(path, picture, reason)) return true;
    print_write_failure(path, reason, who);
    return false;
}

void print_write_failure(const std::string& path, const std::string& reason, const char* who) {
    platform::console_printf("エラー！ファイル名：%sに書き込めません（%s）．(%s)\n", path.c_str(),
                             reason.c_str(), who);
}

}  // namespace app
