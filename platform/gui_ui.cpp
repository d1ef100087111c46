#include <map>
#include <mutex>
#include <opencv2/highgui.hpp>
#include <utility>

#include "platform/ui.h"

namespace platform {
namespace {

// Mouse events of one window, filled by the image library's callback during the key wait.
struct MouseQueue {
    std::mutex mutex;
    std::vector<MouseEvent> events;
};

// Events nobody takes are dropped beyond this, so a window left unread cannot grow without end.
constexpr size_t kMaxQueuedEvents = 4096;

void on_mouse(int event, int x, int y, int /*flags*/, void* data) {
    MouseEvent e;
    switch (event) {
        case cv::EVENT_LBUTTONDOWN:
            e.kind = MouseEvent::Kind::left_down;
            break;
        case cv::EVENT_LBUTTONUP:
            e.kind = MouseEvent::Kind::left_up;
            break;
        case cv::EVENT_MOUSEMOVE:
            e.kind = MouseEvent::Kind::move;
            break;
        default:
            return;
    }
    e.x = x;
    e.y = y;
    auto* queue = static_cast<MouseQueue*>(data);
    std::lock_guard<std::mutex> lock(queue->mutex);
    if (queue->events.size() < kMaxQueuedEvents) queue->events.push_back(e);
}

class GuiUi final : public Ui {
public:
    bool headless() const override { return false; }
    void create_window(const std::string& title) override { cv::namedWindow(title, cv::WINDOW_AUTOSIZE); }
    void show(const std::string& title, const cv::Mat& image) override { cv::imshow(title, image); }
    int wait_key(int ms) override { return cv::waitKey(ms); }
    void destroy_window(const std::string& title) override {
        cv::destroyWindow(title);
        mouse_.erase(title);  // the window and its callback are gone
    }
    void create_trackbar(const std::string& title, const std::string& name, int max, int position) override {
        cv::createTrackbar(name, title, nullptr, max);
        cv::setTrackbarPos(name, title, position);
    }
    int trackbar_position(const std::string& title, const std::string& name) override {
        return cv::getTrackbarPos(name, title);
    }
    void set_trackbar_position(const std::string& title, const std::string& name, int position) override {
        cv::setTrackbarPos(name, title, position);
    }
    std::vector<MouseEvent> take_mouse_events(const std::string& title) override {
        auto& queue = mouse_[title];
        if (!queue) {
            queue = std::make_unique<MouseQueue>();
            cv::setMouseCallback(title, on_mouse, queue.get());
        }
        std::lock_guard<std::mutex> lock(queue->mutex);
        return std::exchange(queue->events, {});
    }

private:
    std::map<std::string, std::unique_ptr<MouseQueue>> mouse_;
};

}  // namespace

std::unique_ptr<Ui> make_gui_ui() { return std::make_unique<GuiUi>(); }

}  // namespace platform
