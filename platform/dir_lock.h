#pragma once
// One holder at a time: an advisory lock (flock) on a lock file, held while the object lives. The
// holder writes its process id into the file, so whoever finds it taken can say who holds it.

#include <string>

namespace platform {

class DirLock {
public:
    enum class Result {
        taken,           // ours until the object ends
        held_elsewhere,  // another holder has it: holder_id() says who
        unavailable,     // the lock file can't be made or locked: reason() says why
    };

    DirLock() = default;
    ~DirLock();
    DirLock(const DirLock&) = delete;
    DirLock& operator=(const DirLock&) = delete;

    Result take(const std::string& lock_path);
    // The holder's process id as it wrote it; empty when it has not written it (yet).
    const std::string& holder_id() const { return holder_; }
    const std::string& reason() const { return reason_; }
    void release();

private:
    int fd_ = -1;
    std::string holder_;
    std::string reason_;
};

}  // namespace platform
