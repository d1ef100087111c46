#include "files/request_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "files/color_file.h"
#include "files/field_lines.h"
#include "files/field_splitter.h"
#include "files/field_values.h"
#include "files/line_messages.h"
#include "files/text_lines.h"
#include "platform/console.h"

namespace files {

void normalize_color_vectors(ColorTable* colors) {
    for (int cam = 0; cam < 2; ++cam) {
        const int count = std::clamp(colors->color_num[cam], 0, kMaxColors);
        for (int i = 0; i < count; ++i) {
            float* vec = colors->color_vec[cam][i];
            const float length = std::sqrt(vec[0] * vec[0] + vec[1] * vec[1] + vec[2] * vec[2]);
            vec[0] = vec[0] / length;
            vec[1] = vec[1] / length;
            vec[2] = vec[2] / length;
        }
    }
}

namespace {

void read_request_file(RecogParams* recog_plm, const std::string& request_path) {
    // The precise mode is asked for by each request, not kept from an earlier one.
    recog_plm->precision = Precision::whole_pixel;
    std::string text;
    if (!read_parameter_file(request_path,
                             "エラー！(fio_read_recog_plm)リクエストファイルを開けませんでした。\n", text))
        return;
    for_each_field_line(request_path, text, 2, [recog_plm](FieldArray& buff) {
        const char* key = buff[0];
        const char* value = buff[1];
        if (std::strcmp(key, "color_th") == 0) {
            recog_plm->color_th = field_to_float(value);
        } else if (std::strcmp(key, "min_dist") == 0) {
            recog_plm->min_dist = field_to_float(value);
        } else if (std::strcmp(key, "max_dist") == 0) {
            recog_plm->max_dist = field_to_float(value);
        } else if (std::strcmp(key, "min_pixnum") == 0) {
            recog_plm->min_pixnum = field_to_int(value);
        } else if (std::strcmp(key, "max_pixnum") == 0) {
            recog_plm->max_pixnum = field_to_int(value);
        } else if (std::strcmp(key, "left_cam_id") == 0) {
            recog_plm->left_cam_id = field_to_int(value);
        } else if (std::strcmp(key, "precision") == 0) {
            recog_plm->precision = field_to_int(value) == 1 ? Precision::subpixel : Precision::whole_pixel;
        }
        return true;
    });
}

}  // namespace

void fio_read_recog_plm(RecogParams* recog_plm, const std::string& color_path,
                        const std::string& request_path, ParamSources sources) {
    if (sources != ParamSources::request_only) {
        fio_read_color_file(color_path, &recog_plm->colors);
        normalize_color_vectors(&recog_plm->colors);
    }
    if (sources != ParamSources::color_only) {
        read_request_file(recog_plm, request_path);
    }
}

}  // namespace files
