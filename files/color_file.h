#pragma once
// The colour table file: reference colours of the cones per camera, one "camera,red,green,blue"
// line each.

#include <string>

#include "files/recog_params.h"

namespace files {

// A camera holds at most this many reference colours; reading stops when one camera has them all.
inline constexpr int kMaxColors = 16;

// Replaces the table with the file's colours (unscaled, file order per camera). A failed open
// prints a message and keeps the table; lines without exactly 4 fields are skipped, a camera
// number other than 0 or 1 is skipped with a message.
void fio_read_color_file(const std::string& path, ColorTable* colors);

// The table as the file holds it: one "camera,red,green,blue" line per colour, camera 0's first,
// every number written so that the reader gets the same float back. A camera with all 16 colours
// goes last, since the reader stops reading at a camera's 16th line. Empty when both cameras hold
// 16 colours (no file can give both back).
std::string color_file_text(const ColorTable& colors);

// Writes the table to a temporary file renamed over path, the old file kept as backup_path (none
// when empty). False with a message when it cannot be written; the old file then stays in place.
bool fio_write_color_file(const std::string& path, const ColorTable& colors, const std::string& backup_path,
                          std::string& error);

}  // namespace files
