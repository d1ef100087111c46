#pragma once
// The colour table file: reference colours of the cones per camera, one "camera,red,green,blue"
// line each.

#include <string>

#include "files/recog_params.h"

// A camera holds at most this many reference colours; reading stops when one camera has them all.
inline constexpr int kMaxColors = 16;

// Replaces the table with the file's colours (unscaled, file order per camera). A failed open
// prints a message and keeps the table; lines without exactly 4 fields are skipped, a camera
// number other than 0 or 1 is skipped with a message.
void fio_read_color_file(const std::string& path, ColorTable* colors);
