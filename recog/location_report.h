#pragma once
// Triangulates the matched pairs, prints them and writes the report file.

#include <string>

#include "recog/recog_types.h"

// Reports every matched pair farther than 200 on the console and, unless report_path is empty, in
// that file (CP932, replaced on each call). Returns the number of reported objects.
int corn_get_location(const ImageInfo* image_info, const AreaInfo* area_info_large, const int* match_list,
                      const std::string& report_path);
