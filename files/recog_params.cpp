#include "files/recog_params.h"

namespace files {

RecogParams initial_recog_params() {
    RecogParams recog_plm{};  // no colours until the colour table is read
    // 20 keeps the smallest region the morphology lets through (5 x 5); 20000 (a quarter of the
    // frame) drops regions far larger than a cone at the nearest reported distance.
    recog_plm.max_pixnum = 20000;
    recog_plm.min_pixnum = 20;
    recog_plm.left_cam_id = 1;
    recog_plm.color_th = 0.2f;
    recog_plm.min_dist = 0.0f;
    recog_plm.max_dist = 0.0f;
    return recog_plm;
}

}  // namespace files
