#include <opencv2/core/mat.hpp>

#include "platform/input.h"
#include "platform/ui.h"

namespace platform {
namespace {

// Shows nothing; keys come from standard input within the wait.
class HeadlessUi final : public Ui {
public:
    bool headless() const override { return true; }
    void create_window(const std::string&, const WindowOptions&) override {}
    void set_title(const std::string&, const std::string&) override {}
    void show(const std::string&, const cv::Mat&) override {}
    int wait_key(int ms) override { return read_key(ms); }
    int wait_key_or_wake(int ms, FileWatch* wake) override { return read_key(ms, wake); }
    void destroy_window(const std::string&) override {}
};

}  // namespace

std::unique_ptr<Ui> make_headless_ui() { return std::make_unique<HeadlessUi>(); }

}  // namespace platform
