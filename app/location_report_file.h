#pragma once
// The report of a request: the located objects on the console and in the report file.

#include <string>

#include "recog/recog_types.h"
#include "recog/subpixel_measures.h"

namespace app {

// Prints every matched pair farther than 200 and, unless report_path is empty, writes it to that
// file (CP932, replaced whole on each call: a reader never sees a part of it). With
// subpixel_large (2 x 256 entries, left first) x, y, z, H and W come from the sub-pixel measures;
// the centres stay the whole-pixel ones. Returns the number of reported objects; *report_ok, when
// given, tells whether the requested file was written completely, and *report_failure why it was
// not.
int report_locations(const recog::ImageInfo* image_info, const recog::AreaInfo* area_info_large,
                     const recog::SubpixelArea* subpixel_large, const int* match_list,
                     const std::string& report_path, bool* report_ok = nullptr,
                     std::string* report_failure = nullptr);

}  // namespace app
