#pragma once
// Failures on demand: a test names a platform operation ("IMediaControl::Run") and the result it
// should give. Back ends without a plan never fail on purpose.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "capture/media/result.h"

namespace media {

class FaultPlan {
public:
    // After `after` more calls that work, the next `times` calls of the operation give `result`
    // (-1: every call from then on).
    void fail(std::string operation, HRESULT result, int times = -1, int after = 0);
    void clear();
    // The result this call of the operation must give: the planned one, else S_OK. Counts calls.
    HRESULT check(std::string_view operation);
    // How often the operation was called since the plan began.
    int calls(std::string_view operation) const;

private:
    struct Entry {
        HRESULT result = S_OK;
        int remaining = 0;  // -1: unlimited
        int spared = 0;     // calls still let through first
        int calls = 0;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Entry, std::less<>> entries_;
};

// check() on a plan that may be absent.
inline HRESULT planned_result(const std::shared_ptr<FaultPlan>& plan, std::string_view operation) {
    return plan ? plan->check(operation) : S_OK;
}

}  // namespace media
