#pragma once
// Settings windows opened from threads other than the one that shows windows. The image
// library's toolkit must be driven from one thread, so a page is posted here by its own thread
// and put up, read and taken down by the window owner (the GUI back end, during its key wait);
// the two meet only through the page's lock. Without an owner (headless) nothing is posted.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

namespace platform {

// A slider 0..max, at position when the page opens.
struct PageSlider {
    std::string name;
    int max = 0;
    int position = 0;
};

struct SliderMove {
    size_t slider = 0;
    int position = 0;
};

class PropertyPage {
public:
    PropertyPage(std::string title, std::vector<PageSlider> sliders, std::vector<std::string> lines);

    const std::string& title() const { return title_; }
    const std::vector<PageSlider>& sliders() const { return sliders_; }

    // The page's own thread. Waits until the user moves a slider or closes the page, or stop is
    // asked for; returns the moves since the last call (none when it ended for another reason).
    std::vector<SliderMove> wait(std::stop_token stop);
    // The text shown above the sliders, replaced.
    void set_lines(std::vector<std::string> lines);
    // The page is done: its owner takes the window down.
    void close();

    // The window owner.
    void user_moved(size_t slider, int position);
    void user_closed();
    // The text and a number that changes with every set_lines.
    std::vector<std::string> lines(unsigned& version) const;

    // Either side: true once the user closed the window or the page's thread closed it.
    bool closed() const;

private:
    const std::string title_;
    const std::vector<PageSlider> sliders_;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<std::string> lines_;
    unsigned version_ = 0;
    std::vector<SliderMove> moves_;
    bool closed_ = false;
};

// Hands the page to the window owner; false when there is none (nothing is shown then).
bool post_property_page(std::shared_ptr<PropertyPage> page);
// The window owner: pages posted since the last call, oldest first.
std::vector<std::shared_ptr<PropertyPage>> take_posted_pages();

// While it lives, the thread that holds it shows the posted pages. One at a time; a second one
// while the first lives takes nothing over.
class PropertyPageOwner {
public:
    PropertyPageOwner();
    ~PropertyPageOwner();
    PropertyPageOwner(const PropertyPageOwner&) = delete;
    PropertyPageOwner& operator=(const PropertyPageOwner&) = delete;

    bool active() const { return active_; }

private:
    bool active_ = false;
};

}  // namespace platform
