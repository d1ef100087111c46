#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <opencv2/highgui.hpp>
#include <opencv2/imgproc.hpp>
#include <utility>

#include "platform/property_page.h"
#include "platform/ui.h"

namespace platform {
namespace {

constexpr int kStatusHeight = 20;
constexpr int kStatusFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kStatusFontScale = 0.4;
const cv::Scalar kStatusBackground(48, 48, 48);
const cv::Scalar kStatusText(235, 235, 235);

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

// Height of a text line on a settings page, and the page's width.
constexpr int kPageLineHeight = 18;
constexpr int kPageWidth = 520;

class GuiUi final : public Ui {
public:
    ~GuiUi() override {
        for (ShownPage& p : pages_) p.page->user_closed();
    }

    bool headless() const override { return false; }

    void create_window(const std::string& name, const WindowOptions& options) override {
        // No toolbar or status bar of the toolkit: the window is as large as its picture.
        cv::namedWindow(name, cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL);
        if (options.x >= 0 && options.y >= 0) cv::moveWindow(name, options.x, options.y);
        windows_[name] = Window{options, false, {}};
    }

    void set_title(const std::string& name, const std::string& title) override {
        const auto it = windows_.find(name);
        if (it != windows_.end() && it->second.closed) return;
        cv::setWindowTitle(name, title);
    }

    void show(const std::string& name, const cv::Mat& image) override {
        const auto it = windows_.find(name);
        if (it == windows_.end()) {
            cv::imshow(name, image);
            return;
        }
        Window& w = it->second;
        if (w.closed) return;  // showing it again would open it anew
        if (w.options.status_line.empty() || !with_status_line(image, w.options.status_line, w.canvas)) {
            cv::imshow(name, image);
            return;
        }
        cv::imshow(name, w.canvas);
    }

    int wait_key(int ms) override {
        const int key = cv::waitKey(ms);
        serve_pages();
        // The user closes a window through the window manager; the toolkit then hides it.
        for (auto& [name, w] : windows_) {
            if (w.options.close_key < 0) continue;
            if (!w.closed && is_closed(name)) w.closed = true;
            if (w.closed) return w.options.close_key;
        }
        return key;
    }

    void destroy_window(const std::string& name) override {
        const auto it = windows_.find(name);
        const bool closed = it != windows_.end() && it->second.closed;
        if (it != windows_.end()) windows_.erase(it);
        if (!closed) cv::destroyWindow(name);
        mouse_.erase(name);  // the window and its callback are gone
    }

    void create_trackbar(const std::string& name, const std::string& trackbar, int max, int position) override {
        cv::createTrackbar(trackbar, name, nullptr, max);
        cv::setTrackbarPos(trackbar, name, position);
    }
    int trackbar_position(const std::string& name, const std::string& trackbar) override {
        return cv::getTrackbarPos(trackbar, name);
    }
    void set_trackbar_position(const std::string& name, const std::string& trackbar, int position) override {
        cv::setTrackbarPos(trackbar, name, position);
    }
    std::vector<MouseEvent> take_mouse_events(const std::string& name) override {
        auto& queue = mouse_[name];
        if (!queue) {
            queue = std::make_unique<MouseQueue>();
            cv::setMouseCallback(name, on_mouse, queue.get());
        }
        std::lock_guard<std::mutex> lock(queue->mutex);
        return std::exchange(queue->events, {});
    }

private:
    // A settings page put up by this thread: where its sliders stood at the last look.
    struct ShownPage {
        std::shared_ptr<PropertyPage> page;
        std::vector<int> positions;
        unsigned version = 0;
    };

    // Puts up the pages posted since the last wait, passes slider moves and closed windows on to
    // their threads, and takes down the pages their threads closed.
    void serve_pages() {
        if (!page_owner_.active()) return;
        for (auto& page : take_posted_pages()) {
            ShownPage shown{page, {}, 0};
            cv::namedWindow(page->title(), cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL);
            for (const PageSlider& s : page->sliders()) {
                cv::createTrackbar(s.name, page->title(), nullptr, s.max);
                cv::setTrackbarPos(s.name, page->title(), s.position);
                shown.positions.push_back(s.position);
            }
            draw_page(shown);
            pages_.push_back(std::move(shown));
        }
        for (auto it = pages_.begin(); it != pages_.end();) {
            PropertyPage& page = *it->page;
            const bool user_closed = !page.closed() && is_closed(page.title());
            if (user_closed) page.user_closed();
            if (page.closed()) {
                if (!user_closed) cv::destroyWindow(page.title());
                it = pages_.erase(it);
                continue;
            }
            for (size_t i = 0; i < page.sliders().size(); ++i) {
                const int position = cv::getTrackbarPos(page.sliders()[i].name, page.title());
                if (position == it->positions[i]) continue;
                it->positions[i] = position;
                page.user_moved(i, position);
            }
            unsigned version = 0;
            page.lines(version);
            if (version != it->version) draw_page(*it);
            ++it;
        }
    }

    static void draw_page(ShownPage& shown) {
        const std::vector<std::string> lines = shown.page->lines(shown.version);
        cv::Mat canvas(kPageLineHeight * static_cast<int>(std::max<size_t>(lines.size(), 1)) + 8, kPageWidth, CV_8UC3,
                       kStatusBackground);
        for (size_t i = 0; i < lines.size(); ++i) {
            cv::putText(canvas, lines[i], cv::Point(6, kPageLineHeight * static_cast<int>(i + 1)), kStatusFont,
                        kStatusFontScale, kStatusText, 1, cv::LINE_AA);
        }
        cv::imshow(shown.page->title(), canvas);
    }

    struct Window {
        WindowOptions options;
        bool closed = false;
        cv::Mat canvas;  // the picture with its status line, reused from frame to frame
    };

    static bool is_closed(const std::string& name) {
        try {
            // 0 once the window is gone; -1 where the property is not known (then never closed).
            return cv::getWindowProperty(name, cv::WND_PROP_VISIBLE) == 0.0;
        } catch (const cv::Exception&) {
            return false;
        }
    }

    // The picture in colour with a line of text under it. False for pictures of other forms,
    // which are then shown as they are.
    static bool with_status_line(const cv::Mat& image, const std::string& text, cv::Mat& canvas) {
        if (image.empty() || image.depth() != CV_8U) return false;
        canvas.create(image.rows + kStatusHeight, image.cols, CV_8UC3);
        cv::Mat picture = canvas(cv::Rect(0, 0, image.cols, image.rows));
        switch (image.channels()) {
            case 1:
                cv::cvtColor(image, picture, cv::COLOR_GRAY2BGR);
                break;
            case 3:
                image.copyTo(picture);
                break;
            case 4:
                cv::cvtColor(image, picture, cv::COLOR_BGRA2BGR);
                break;
            default:
                return false;
        }
        canvas(cv::Rect(0, image.rows, image.cols, kStatusHeight)).setTo(kStatusBackground);
        cv::putText(canvas, text, cv::Point(6, image.rows + 14), kStatusFont, kStatusFontScale, kStatusText,
                    1, cv::LINE_AA);
        return true;
    }

    std::map<std::string, Window> windows_;
    std::map<std::string, std::unique_ptr<MouseQueue>> mouse_;
    PropertyPageOwner page_owner_;
    std::vector<ShownPage> pages_;
};

}  // namespace

std::unique_ptr<Ui> make_gui_ui() { return std::make_unique<GuiUi>(); }

}  // namespace platform
