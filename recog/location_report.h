#pragma once
// Triangulates the matched pairs and prints them; the caller writes the report file.

#include <vector>

#include "files/location_report.h"
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

// The objects of the matched pairs farther than 200, in the order of the left candidates. With
// subpixel_large (2 x 256 entries, left first) x, y, z, H and W come from the sub-pixel measures;
// the centres stay the whole-pixel ones.
std::vector<files::ReportedObject> locate_matched_pairs(const ImageInfo* image_info,
                                                        const AreaInfo* area_info_large,
                                                        const SubpixelArea* subpixel_large,
                                                        const int* match_list);

// The console table of the located objects: the heading, four lines an object, the total.
void print_location_heading();
void print_located_object(const files::ReportedObject& object);
void print_location_total(int count);

}  // namespace recog
