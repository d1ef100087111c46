#pragma once
// The request file: its lines carry the recognition parameters of one request ("key,value").
// Reading it also reloads the colour table and scales the colours to unit length.

#include <string>

#include "files/recog_params.h"

namespace files {

// What fio_read_recog_plm reads.
enum class ParamSources { color_and_request, color_only, request_only };

// Updates recog_plm in place. color_and_request and color_only reload the colour table from
// color_path and then scale every vector of both cameras to length 1 (a zero vector becomes
// not-a-number), also after a failed open. color_and_request and request_only read request_path: a line of
// exactly "key,value" with a known key (color_th, min_dist, max_dist, min_pixnum, max_pixnum, left_cam_id,
// precision; case-sensitive) sets that field, later lines win, other lines are skipped; pieces of 63
// characters count as lines. A failed open prints a message and keeps the values, except precision: it is the
// request's own, whole_pixel unless this request says "precision,1".
void fio_read_recog_plm(RecogParams* recog_plm, const std::string& color_path,
                        const std::string& request_path, ParamSources sources);

// Scales each of the color_num vectors of both cameras to length 1 in single precision.
void normalize_color_vectors(ColorTable* colors);

}  // namespace files
