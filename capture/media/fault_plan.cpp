#include "capture/media/fault_plan.h"

namespace media {

void FaultPlan::fail(std::string operation, HRESULT result, int times, int after) {
    std::lock_guard lock(mutex_);
    Entry& e = entries_[std::move(operation)];
    e.result = result;
    e.remaining = times;
    e.spared = after;
}

void FaultPlan::clear() {
    std::lock_guard lock(mutex_);
    for (auto& [name, e] : entries_) e.remaining = 0;
}

HRESULT FaultPlan::check(std::string_view operation) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(operation);
    if (it == entries_.end()) it = entries_.emplace(std::string(operation), Entry{}).first;
    Entry& e = it->second;
    ++e.calls;
    if (e.remaining == 0) return S_OK;
    if (e.spared > 0) {
        --e.spared;
        return S_OK;
    }
    if (e.remaining > 0) --e.remaining;
    return e.result;
}

int FaultPlan::calls(std::string_view operation) const {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(operation);
    return it == entries_.end() ? 0 : it->second.calls;
}

}  // namespace media
