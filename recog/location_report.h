#pragma once
// Triangulates the matched pairs, prints them and writes the report file.

#include <string>

#include "recog/recog_types.h"
#include "recog/subpixel_measures.h"

namespace recog {

// Position (x ahead, y to the left, z up) and size (h, w) of one object, in baseline units.
struct CornLocation {
    double x, y, z, h, w;
};

// Triangulates a left candidate and its right partner. True when the object lies farther than the
// minimum distance of 200, i.e. when it is reported.
bool corn_locate_pair(const AreaInfo& left, const AreaInfo& right, CornLocation* location);
// The same from sub-pixel centres and extents (the precise mode).
bool corn_locate_pair(const SubpixelArea& left, const SubpixelArea& right, CornLocation* location);

// Reports every matched pair farther than 200 on the console and, unless report_path is empty, in
// that file (CP932, replaced whole on each call: a reader never sees a part of it). Returns the
// number of reported objects; *report_ok, when given, tells whether the requested file was
// written completely, and *report_failure why it was not.
int corn_get_location(const ImageInfo* image_info, const AreaInfo* area_info_large, const int* match_list,
                      const std::string& report_path, bool* report_ok = nullptr,
                      std::string* report_failure = nullptr);
// The same with x, y, z, H and W from the sub-pixel measures of subpixel_large (2 x 256 entries,
// left first) when it is given; the centres printed stay the whole-pixel ones.
int corn_get_location(const ImageInfo* image_info, const AreaInfo* area_info_large,
                      const SubpixelArea* subpixel_large, const int* match_list,
                      const std::string& report_path, bool* report_ok = nullptr,
                      std::string* report_failure = nullptr);

}  // namespace recog
