#include "app/request_gate.h"

#include <sys/stat.h>

#include "platform/console.h"
#include "platform/input_file.h"

namespace app {

bool RequestGate::request_waiting() {
    struct stat st {};
    if (::lstat(path_.c_str(), &st) != 0) {
        seen_ = named_ = stuck_ = Entry{};  // gone: whatever comes next is new
        return false;
    }
    const auto ns = [](const timespec& t) {
        return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
    };
    seen_ = Entry{true, st.st_dev, st.st_ino, static_cast<mode_t>(st.st_mode & S_IFMT), ns(st.st_mtim)};
    if (S_ISREG(st.st_mode)) {
        named_ = Entry{};
        if (stuck_.valid && seen_ == stuck_) return false;
        stuck_ = Entry{};
        return true;
    }
    if (!(named_.valid && seen_ == named_)) {
        named_ = seen_;
        platform::console_printf(
            "エラー！(corn_location_service)リクエストファイルが通常のファイルではありません。"
            "リクエストとして扱いません。\n");
        platform::console_printf("  %s: not a regular file (%s)\n", path_.c_str(),
                                 platform::entry_kind(path_).c_str());
    }
    return false;
}

void RequestGate::answered(bool deleted) { stuck_ = deleted ? Entry{} : seen_; }

}  // namespace app
