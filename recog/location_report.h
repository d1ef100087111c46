#pragma once
// Triangulates the matched pairs, prints them and writes the report file.

#include <string>

#include "recog/recog_types.h"

// Returns the number of reported objects.
int corn_get_location(const ImageInfo* image_info, const AreaInfo* area_info_large, const int* match_list,
                      const std::string& report_path);
