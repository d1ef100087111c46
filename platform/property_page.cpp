#include "platform/property_page.h"

#include <utility>

namespace platform {
namespace {

struct Board {
    std::mutex mutex;
    bool owned = false;
    std::vector<std::shared_ptr<PropertyPage>> posted;
};

Board& board() {
    static Board b;
    return b;
}

}  // namespace

PropertyPage::PropertyPage(std::string title, std::vector<PageSlider> sliders, std::vector<std::string> lines)
    : title_(std::move(title)), sliders_(std::move(sliders)), lines_(std::move(lines)) {}

std::vector<SliderMove> PropertyPage::wait(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, stop, [this] { return closed_ || !moves_.empty(); });
    return std::exchange(moves_, {});
}

void PropertyPage::set_lines(std::vector<std::string> lines) {
    std::lock_guard lock(mutex_);
    lines_ = std::move(lines);
    ++version_;
}

void PropertyPage::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

void PropertyPage::user_moved(size_t slider, int position) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        moves_.push_back({slider, position});
    }
    changed_.notify_all();
}

void PropertyPage::user_closed() { close(); }

std::vector<std::string> PropertyPage::lines(unsigned& version) const {
    std::lock_guard lock(mutex_);
    version = version_;
    return lines_;
}

bool PropertyPage::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

bool post_property_page(std::shared_ptr<PropertyPage> page) {
    Board& b = board();
    std::lock_guard lock(b.mutex);
    if (!b.owned) return false;
    b.posted.push_back(std::move(page));
    return true;
}

std::vector<std::shared_ptr<PropertyPage>> take_posted_pages() {
    Board& b = board();
    std::lock_guard lock(b.mutex);
    return std::exchange(b.posted, {});
}

PropertyPageOwner::PropertyPageOwner() {
    Board& b = board();
    std::lock_guard lock(b.mutex);
    if (b.owned) return;
    b.owned = true;
    active_ = true;
}

PropertyPageOwner::~PropertyPageOwner() {
    if (!active_) return;
    Board& b = board();
    std::vector<std::shared_ptr<PropertyPage>> orphans;
    {
        std::lock_guard lock(b.mutex);
        b.owned = false;
        orphans = std::exchange(b.posted, {});
    }
    // Nobody will show them any more: their threads are told the pages are closed.
    for (const auto& page : orphans) page->user_closed();
}

}  // namespace platform
