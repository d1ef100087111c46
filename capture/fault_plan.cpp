#include "capture/fault_plan.h"

namespace capture {

void FaultPlan::fail(Step step, int times, int after) {
    std::lock_guard lock(mutex_);
    Entry& e = entries_[static_cast<size_t>(step)];
    e.remaining = times;
    e.spared = after;
}

bool FaultPlan::fails(Step step) {
    std::lock_guard lock(mutex_);
    Entry& e = entries_[static_cast<size_t>(step)];
    ++e.calls;
    if (e.remaining == 0) return false;
    if (e.spared > 0) {
        --e.spared;
        return false;
    }
    if (e.remaining > 0) --e.remaining;
    return true;
}

int FaultPlan::calls(Step step) const {
    std::lock_guard lock(mutex_);
    return entries_[static_cast<size_t>(step)].calls;
}

}  // namespace capture
