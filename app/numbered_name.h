#pragma once
// Names of the numbered pictures: the live preview's grey series and the stills of the feed.

#include <cstdint>
#include <string>

namespace app {

// The decimal number with "0" in front up to `digits` digits; a number that already has that many
// digits or more is written as it is (1234567 stays "1234567" for 6 digits).
std::string zero_filled(int64_t number, int digits);
// WORK_DIR/gray_image_NNNNNN.bmp of the preview's series.
std::string series_picture_path(int64_t frame_number);
// WORK_DIR/static_movie/red_corn2/capt3_NNNNN.bmp of the feed.
std::string still_picture_path(int64_t image_number);

}  // namespace app
