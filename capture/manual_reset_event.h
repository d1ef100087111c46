#pragma once
// An event that stays signalled until reset: the frame hand-over between a streaming thread and
// the application thread.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace capture {

class ManualResetEvent {
public:
    void set();
    void reset();
    // True when the event is (or becomes) signalled within the time; a zero wait only looks.
    bool wait(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

}  // namespace capture
