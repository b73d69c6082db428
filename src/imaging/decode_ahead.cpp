#include "imaging/decode_ahead.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "imaging/jpeg_copy_check.h"
#include "os/read_file.h"

namespace chronoreel {

bool RenderStillFromFile(FrameRenderer& renderer, const std::string& path) {
    return renderer.Render(path);
}

std::size_t DefaultDecodeWorkerCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

DecodeAhead::DecodeAhead(std::span<const std::string> paths, const std::vector<std::size_t>& order,
                         MovieSize size, std::size_t workerCount, RenderStill render,
                         StillCopy copy, StillPlanes planes)
    : paths_(paths),
      render_(render),
      copy_(copy),
      planes_(planes),
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
    std::vector<std::uint8_t> fileBytes;
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
        if (!RenderJob(job, renderer, fileBytes)) {
            return;
        }
    }
}

bool DecodeAhead::RenderJob(std::size_t job, std::optional<FrameRenderer>& renderer,
                            std::vector<std::uint8_t>& fileBytes) {
    // Only this worker touches the slot until it is marked ready: the consumer gave it back and
    // no other worker takes the same job.
    Slot& slot = SlotOf(job);
    bool carriedOn = true;
    try {
        if (!renderer) {
            renderer.emplace(size_);
        }
        MakeFrame(*renderer, jobs_[job].still, slot, fileBytes);
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

void DecodeAhead::MakeFrame(FrameRenderer& renderer, std::size_t still, Slot& slot,
                            std::vector<std::uint8_t>& fileBytes) {
    bool read = false;
    slot.copied = copy_ != StillCopy::kNever && TryCopy(still, slot, fileBytes, read);
    slot.planar = false;
    if (!slot.copied) {
        DecodeFrame(renderer, still, slot, fileBytes, read);
    } else if (copy_ == StillCopy::kWhereUnchangedAndDecode) {
        // The picture shown is the one copied; a still whose data turns out damaged is skipped
        // as it would be without copying.
        slot.skip = RenderBytesInto(renderer, fileBytes, slot.surface);
        slot.copied = slot.skip == FrameSkip::kNone;
    } else {
        slot.skip = FrameSkip::kNone;
    }
}

void DecodeAhead::DecodeFrame(FrameRenderer& renderer, std::size_t still, Slot& slot,
                              std::vector<std::uint8_t>& fileBytes, bool read) {
    if (planes_ == StillPlanes::kNever || !size_.IsFixed()) {
        slot.skip = RenderInto(renderer, still, slot.surface);
        return;
    }
    if (!read &&
        ReadWholeFileInto(paths_[still], kMaxJpegFileBytes, fileBytes) != ReadFailure::kNone) {
        // Rendering from the path reads the file again and says why it cannot.
        slot.skip = RenderInto(renderer, still, slot.surface);
        return;
    }
    switch (renderer.RenderYuv420(fileBytes, slot.planes)) {
        case PlanesResult::kDecoded:
            slot.planar = true;
            slot.skip = FrameSkip::kNone;
            return;
        case PlanesResult::kSkipped:
            slot.skip = renderer.LastSkip();
            return;
        case PlanesResult::kNeedsPixels:
            slot.skip = RenderBytesInto(renderer, fileBytes, slot.surface);
            return;
    }
}

bool DecodeAhead::TryCopy(std::size_t still, Slot& slot, std::vector<std::uint8_t>& fileBytes,
                          bool& read) const {
    read = size_.IsFixed() &&
           ReadWholeFileInto(paths_[still], kMaxJpegFileBytes, fileBytes) == ReadFailure::kNone;
    if (!read) {
        return false;
    }
    const auto copySize = ExtractCopyableJpeg(fileBytes, slot.jpeg);
    return copySize && size_.Matches(copySize->width, copySize->height);
}

namespace {

// Lends the renderer the slot's surface for one frame, so that it draws straight into it: the
// slots are the only frame-sized surfaces besides the odd-sized stills' own.
class LentSurface {
  public:
    LentSurface(FrameRenderer& renderer, DIB& surface) : renderer_(renderer), surface_(surface) {
        renderer_.ExchangeMovieSurface(surface_);
    }
    ~LentSurface() { renderer_.ExchangeMovieSurface(surface_); }
    LentSurface(const LentSurface&) = delete;
    LentSurface& operator=(const LentSurface&) = delete;

  private:
    FrameRenderer& renderer_;
    DIB& surface_;
};

}  // namespace

FrameSkip DecodeAhead::RenderInto(FrameRenderer& renderer, std::size_t still, DIB& surface) {
    const LentSurface lent(renderer, surface);
    return render_(renderer, paths_[still]) ? FrameSkip::kNone : renderer.LastSkip();
}

FrameSkip DecodeAhead::RenderBytesInto(FrameRenderer& renderer, std::span<const std::uint8_t> jpeg,
                                       DIB& surface) {
    const LentSurface lent(renderer, surface);
    return renderer.RenderJpeg(jpeg) ? FrameSkip::kNone : renderer.LastSkip();
}

AheadFrame DecodeAhead::FrameOf(std::size_t job) {
    const Slot& slot = SlotOf(job);
    AheadFrame frame;
    frame.still = jobs_[job].still;
    frame.skip = slot.skip;
    if (slot.copied) {
        frame.jpeg = slot.jpeg;
    }
    const bool decoded = !slot.copied || copy_ == StillCopy::kWhereUnchangedAndDecode;
    if (slot.skip == FrameSkip::kNone && slot.planar) {
        frame.planes = &slot.planes;
    } else if (slot.skip == FrameSkip::kNone && decoded) {
        frame.surface = &slot.surface;
    }
    return frame;
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
    const std::size_t still = jobs_[job].still;
    // The size is open until this still's header is read, so it is decoded in any case; once
    // that fixed the size, it can be a copy too.
    slot.skip = RenderInto(*leadRenderer_, still, slot.surface);
    slot.planar = false;
    size_ = leadRenderer_->Size();
    bool read = false;
    slot.copied = copy_ != StillCopy::kNever && slot.skip == FrameSkip::kNone &&
                  TryCopy(still, slot, leadBytes_, read);
    const AheadFrame frame = FrameOf(job);
    if (size_.IsFixed()) {
        leadRenderer_.reset();
        leadBytes_ = {};
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
    return FrameOf(job);
}

}  // namespace chronoreel
