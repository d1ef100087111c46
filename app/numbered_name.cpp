#include "app/numbered_name.h"

#include "files/protocol_files.h"
#include "platform/work_dir.h"

namespace app {

std::string zero_filled(int64_t number, int digits) {
    std::string text = std::to_string(number);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
    return text;
}

std::string series_picture_path(int64_t frame_number) {
    return platform::work_path(std::string(files::kGraySeriesPrefix) + zero_filled(frame_number, 6) + ".bmp");
}

std::string still_picture_path(int64_t image_number) {
    return files::still_dir_path() + std::string(files::kStillPrefix) + zero_filled(image_number, 5) + ".bmp";
}

}  // namespace app
