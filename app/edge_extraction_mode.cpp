#include "app/edge_extraction_mode.h"

#include <exception>
#include <opencv2/imgproc.hpp>

#include "app/picture_conversion.h"
#include "app/picture_files.h"
#include "platform/console.h"

namespace app {

int run_edge_extraction_mode(const std::string& input_path, const std::string& output_path) {
    try {
        cv::Mat loaded;
        platform::InputError error;
        if (!load_picture(input_path, loaded, error)) {
            platform::console_printf("画像が見つかりません\n");
            // "Not found" says it all for a missing picture; for any other failure the path and
            // the reason follow.
            if (error.problem != platform::InputProblem::missing) {
                platform::console_printf("  %s\n", platform::input_problem_text(input_path, error).c_str());
            }
            return -1;
        }
        // The filter runs on the grey version of a colour picture; a grey picture (the live
        // preview saves one under the same name) or any other form is made colour first.
        cv::Mat colour = loaded;
        if (loaded.type() != CV_8UC3) {
            if (!to_bgr8(loaded, colour)) {
                platform::console_printf("エラー！(edge_extraction_test)この形式の画像は扱えません。（%s）\n",
                                         picture_form(loaded).c_str());
                return -1;
            }
            platform::console_printf(
                "警告：(edge_extraction_test)%s の画像を24ビットカラーに変換しました。\n",
                picture_form(loaded).c_str());
        }
        cv::Mat grey_image;
        cv::Mat sobel_x16;
        cv::Mat sobel_x8;
        cv::cvtColor(colour, grey_image, cv::COLOR_BGR2GRAY);
        cv::Sobel(grey_image, sobel_x16, CV_16S, 1, 0, 3);
        cv::convertScaleAbs(sobel_x16, sobel_x8, 1.0, 0.0);
        return save_picture(output_path, sobel_x8, "edge_extraction_test") ? 0 : -1;
    } catch (const std::exception& e) {
        platform::console_printf("エラー！(edge_extraction_test)%s\n", e.what());
        return -1;
    }
}

}  // namespace app
