#include "imaging/decode_ahead.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace chronoreel {

bool RenderStillFromFile(FrameRenderer& renderer, const std::string& path) {
    return renderer.Render(path);
}

std::size_t DefaultDecodeWorkerCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

DecodeAhead::DecodeAhead(std::span<const std::string> paths, const std::vector<std::size_t>& order,
                         MovieSize size, std::size_t workerCount, RenderStill render)
    : paths_(paths),
      render_(render),
      workerCount_(std::max<std::size_t>(workerCount, 1)),
      size_(size),
      slots_(2 * workerCount_) {
    for (const std::size_t still : order) {
        if (!jobs_.empty() && jobs_.back().still == still) {
            ++jobs_.back().positions;
        } else {
            jobs_.push_back({still, 1});
        }
    }
    if (size_.IsFixed() && !jobs_.empty()) {
        StartWorkers(0);
    }
}

DecodeAhead::~DecodeAhead() {
    Stop();
}

void DecodeAhead::Stop() {
    stopped_ = true;
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& worker : workers_) {
        if (worker.joinable()) {
            worker.join();
        }
    }
}

void DecodeAhead::StartWorkers(std::size_t firstJob) {
    {
        const std::lock_guard lock(mutex_);
        nextJob_ = firstJob;
        // The consumer still holds the job before firstJob, rendered on its own thread.
        released_ = firstJob == 0 ? 0 : firstJob - 1;
    }
    workers_.reserve(workerCount_);
    for (std::size_t i = 0; i < workerCount_; ++i) {
        try {
            workers_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // Fewer threads than asked still make every frame; none is an error of the run.
            if (workers_.empty()) {
                throw;
            }
            break;
        }
    }
}

void DecodeAhead::Work() {
    std::optional<FrameRenderer> renderer;
    for (;;) {
        std::size_t job = 0;
        {
            std::unique_lock lock(mutex_);
            workAvailable_.wait(lock, [this] {
                return stop_ || nextJob_ >= jobs_.size() || nextJob_ < released_ + slots_.size();
            });
            if (stop_ || nextJob_ >= jobs_.size()) {
                return;
            }
            job = nextJob_++;
        }
        if (!RenderJob(job, renderer)) {
            return;
        }
    }
}

bool DecodeAhead::RenderJob(std::size_t job, std::optional<FrameRenderer>& renderer) {
    // Only this worker touches the slot until it is marked ready: the consumer gave it back and
    // no other worker takes the same job.
    Slot& slot = SlotOf(job);
    bool carriedOn = true;
    try {
        if (!renderer) {
            renderer.emplace(size_);
        }
        slot.skip = RenderInto(*renderer, jobs_[job].still, slot.surface);
        slot.error = nullptr;
    } catch (...) {
        slot.error = std::current_exception();
        carriedOn = false;
    }
    {
        const std::lock_guard lock(mutex_);
        slot.ready = true;
        if (!carriedOn) {
            // The run ends at this frame: the others need no more stills. Jobs before it were
            // taken already and still finish, so the consumer reaches this one.
            stop_ = true;
        }
    }
    frameReady_.notify_all();
    if (!carriedOn) {
        workAvailable_.notify_all();
    }
    return carriedOn;
}

FrameSkip DecodeAhead::RenderInto(FrameRenderer& renderer, std::size_t still, DIB& surface) {
    // The renderer draws straight into the slot's surface, so the slots are the only frame-sized
    // surfaces besides the odd-sized stills' own.
    renderer.ExchangeMovieSurface(surface);
    struct GiveBack {
        FrameRenderer& renderer;
        DIB& surface;
        ~GiveBack() { renderer.ExchangeMovieSurface(surface); }
    } giveBack{renderer, surface};
    return render_(renderer, paths_[still]) ? FrameSkip::kNone : renderer.LastSkip();
}

AheadFrame DecodeAhead::Next() {
    if (failed_) {
        std::rethrow_exception(failed_);
    }
    if (stopped_) {
        throw std::logic_error("DecodeAhead::Next after Stop");
    }
    if (positionsLeft_ > 0) {
        --positionsLeft_;
        return current_;
    }
    std::size_t job = 0;
    if (hasCurrent_) {
        job = currentJob_ + 1;
        {
            const std::lock_guard lock(mutex_);
            SlotOf(currentJob_).ready = false;
            released_ = job;
        }
        workAvailable_.notify_all();
    }
    if (job >= jobs_.size()) {
        throw std::out_of_range("DecodeAhead::Next past the last output position");
    }
    currentJob_ = job;
    hasCurrent_ = true;
    try {
        current_ = workers_.empty() ? RenderOnCallingThread(job) : WaitForWorkers(job);
    } catch (...) {
        failed_ = std::current_exception();
        throw;
    }
    positionsLeft_ = jobs_[job].positions - 1;
    return current_;
}

AheadFrame DecodeAhead::RenderOnCallingThread(std::size_t job) {
    if (!leadRenderer_) {
        leadRenderer_.emplace(size_);
    }
    Slot& slot = SlotOf(job);
    AheadFrame frame;
    frame.still = jobs_[job].still;
    frame.skip = RenderInto(*leadRenderer_, frame.still, slot.surface);
    if (frame.skip == FrameSkip::kNone) {
        frame.surface = &slot.surface;
    }
    size_ = leadRenderer_->Size();
    if (size_.IsFixed()) {
        leadRenderer_.reset();
        if (job + 1 < jobs_.size()) {
            StartWorkers(job + 1);
        }
    }
    return frame;
}

AheadFrame DecodeAhead::WaitForWorkers(std::size_t job) {
    Slot& slot = SlotOf(job);
    {
        std::unique_lock lock(mutex_);
        frameReady_.wait(lock, [&slot] { return slot.ready; });
    }
    if (slot.error) {
        std::rethrow_exception(slot.error);
    }
    AheadFrame frame;
    frame.still = jobs_[job].still;
    frame.skip = slot.skip;
    if (slot.skip == FrameSkip::kNone) {
        frame.surface = &slot.surface;
    }
    return frame;
}

}  // namespace chronoreel
