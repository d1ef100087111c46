#pragma once
// Sub-pixel measures of the cone candidates for the precise mode: centres and extents taken from
// a candidate's colour-classified pixels before the noise filter, which moves a region's edges,
// eats the thin apex rows of a cone and fills its notches.

#include <cstdint>

#include "recog/recog_types.h"

namespace recog {

// One candidate's measures, in pixels.
struct SubpixelArea {
    double cog_x;    // mean column of the colour-classified pixels
    double cog_y;    // mean row
    double width;    // columns from the first to the last one, both counted
    double height;   // rows from the first to the last one, both counted
    int32_t pixnum;  // colour-classified pixels found; 0: none, the whole-pixel measures stand in
};

// colour_plane: the frame's colour classification before the filter (0 = cone colour, 76800
// bytes); image_att: the label plane of the filtered frame, labels = region numbers; candidates:
// count entries whose id names their region. Each 8-connected group of colour-classified pixels
// belongs to the region it overlaps most within the measured window of image_info (ties: the
// lower region number); a candidate's measures are those of the pixels of its groups. A candidate
// without any keeps its whole-pixel centre and box extents (|max - min|).
void measure_subpixel_areas(const uint8_t* colour_plane, const ImageInfo* image_info,
                            const ImageAtt* image_att, const AreaInfo* candidates, int count,
                            SubpixelArea* out);

}  // namespace recog
