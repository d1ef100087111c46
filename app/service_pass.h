#pragma once
// What one pass of the stereo service does after its key wait and request test: save the
// pictures, answer a request, run the test of key t.

#include <array>
#include <opencv2/core/mat.hpp>

#include "files/recog_params.h"
#include "recog/recog_types.h"
#include "recog/subpixel_measures.h"

namespace app {

// The recognition state the service keeps from start-up to tear-down.
struct ServiceWorkspace {
    static std::array<int, recog::kMaxAreas> unmatched() {
        std::array<int, recog::kMaxAreas> list;
        list.fill(-1);
        return list;
    }

    files::RecogParams recog_plm{};  // keeps its values from one request to the next
    recog::ImageInfo image_info[2]{};
    recog::AreaInfo area_info_large[2 * recog::kMaxAreas]{};
    std::array<int, recog::kMaxAreas> match_list = unmatched();  // left candidate -> right partner
    recog::SubpixelArea subpixel_large[2 * recog::kMaxAreas]{};  // the precise mode's measures
    bool subpixel = false;  // the last recognition ran in the precise mode
    // The finder binarizes these copies, so the pictures stay as the cameras gave them for a
    // test run in the same pass and for the windows.
    cv::Mat work1, work2;
};

// What became of the request of a pass.
struct PassOutcome {
    bool answered = false;         // a request was answered
    bool request_deleted = false;  // ... and its file deleted (false: it is still there)
    bool recognized = false;       // the recognition ran (a request or key t): ws holds its results
};

// On a request or key c saves image1 (left) and image2 (right); with a request prints the
// heading, runs the recognition into the report file, deletes the request and then creates the
// empty notify file; key c alone prints "Captured!!". Key t then runs the recognition with the
// notify file as its report. Other keys do nothing. Every file is put in place whole; one that
// can't be written is named with the reason and is not replaced (a report that can't be written
// is removed, so an older one can't pass for the answer), as is a request that can't be deleted.
PassOutcome answer_service_pass(int key, bool request, const cv::Mat& image1, const cv::Mat& image2,
                                ServiceWorkspace& ws);

}  // namespace app
