#include <opencv2/highgui.hpp>

#include "platform/ui.h"

namespace platform {
namespace {

class GuiUi final : public Ui {
public:
    bool headless() const override { return false; }
    void create_window(const std::string& title) override { cv::namedWindow(title, cv::WINDOW_AUTOSIZE); }
    void show(const std::string& title, const cv::Mat& image) override { cv::imshow(title, image); }
    int wait_key(int ms) override { return cv::waitKey(ms); }
    void destroy_window(const std::string& title) override { cv::destroyWindow(title); }
};

}  // namespace

std::unique_ptr<Ui> make_gui_ui() { return std::make_unique<GuiUi>(); }

}  // namespace platform
