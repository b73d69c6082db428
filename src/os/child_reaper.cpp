#include "os/child_reaper.h"

#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace chronoreel {
namespace {

// A released child is collected within this time after it ends.
constexpr std::chrono::milliseconds kReapInterval(50);

class Reaper {
  public:
    ~Reaper() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
        // Children still running now are re-parented when the process ends: no zombie either.
    }

    void Adopt(pid_t pid) {
        {
            const std::lock_guard lock(mutex_);
            pids_.push_back(pid);
            if (!thread_.joinable()) {
                thread_ = std::thread([this] { Run(); });
            }
        }
        wake_.notify_all();
    }

  private:
    void Run() {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            ReapEnded();
            if (pids_.empty()) {
                wake_.wait(lock, [this] { return stopping_ || !pids_.empty(); });
            } else {
                wake_.wait_for(lock, kReapInterval, [this] { return stopping_; });
            }
        }
    }

    // Called with the mutex held. A pid leaves the list in the same step that collects it, so a
    // recycled pid is never waited for.
    void ReapEnded() {
        std::erase_if(pids_, [](pid_t pid) {
            pid_t result = 0;
            do {
                result = waitpid(pid, nullptr, WNOHANG);
            } while (result < 0 && errno == EINTR);
            return result != 0;  // ended and collected, or not ours to wait for any more
        });
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<pid_t> pids_;
    bool stopping_ = false;
    std::thread thread_;
};

Reaper& TheReaper() {
    static Reaper reaper;
    return reaper;
}

}  // namespace

void AdoptChild(pid_t pid) {
    if (pid > 0) {
        TheReaper().Adopt(pid);
    }
}

}  // namespace chronoreel
