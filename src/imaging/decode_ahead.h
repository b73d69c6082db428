#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "imaging/dib.h"
#include "imaging/frame_renderer.h"
#include "imaging/movie_size.h"
#include "imaging/yuv_planes.h"

namespace chronoreel {

// How one still becomes a frame in a renderer: false when it must be skipped (the renderer's
// LastSkip says why). Tests put in one that fails on purpose.
using RenderStill = bool (*)(FrameRenderer& renderer, const std::string& path);
bool RenderStillFromFile(FrameRenderer& renderer, const std::string& path);

// One worker per core, at least one.
std::size_t DefaultDecodeWorkerCount();

// Whether stills that a Motion JPEG movie can hold as they are come out as their bytes instead
// of decoded pictures (ExtractCopyableJpeg), and whether such a still is decoded as well (for a
// preview that shows it).
enum class StillCopy {
    kNever,
    kWhereUnchanged,
    kWhereUnchangedAndDecode,
};

// Whether stills that need no scaling (exactly the movie size) and are 4:2:0 YCbCr JPEGs come out
// as their Y, Cb and Cr planes instead of pixels: an encoder that takes such planes then needs no
// colour conversion. A shown preview needs pixels.
enum class StillPlanes {
    kNever,
    kWhereDirect,
};

// The frame of one output position.
struct AheadFrame {
    std::size_t still = 0;               // index into the paths
    FrameSkip skip = FrameSkip::kNone;   // why the still gives no frame; kNone: it gives one
    const DIB* surface = nullptr;        // the frame in the movie size; null for a skip, and for a
                                         // copy that was not decoded
    std::span<const std::uint8_t> jpeg;  // a copy: the still as the movie stores it; else empty
    const Yuv420Planes* planes = nullptr;  // the frame as planes instead of a surface; else null
};

// Reads and decodes the stills of a run ahead of the writer, on worker threads, and hands the
// frames out strictly in output order.
//
// Until the movie size is fixed, the stills are rendered one by one on the calling thread, so
// the first readable header in output order fixes it exactly as a single renderer would; the
// workers start once it is known (at once when it was given). Each worker has its own renderer,
// which draws into a small ring of slots (two per worker) where finished frames wait; the
// consumer gives a slot back when it takes the next frame, so once the size is fixed no frame
// allocates and memory does not grow with the number of stills. A still repeated at consecutive
// positions is decoded once and handed out again. An exception a worker meets (no memory, a decoder
// that cannot be set up) is rethrown by Next at that frame's turn; destruction stops and joins the
// workers.
//
// When copies are asked for, a worker that finds a still of the movie size that can go into the
// movie unchanged hands out its bytes (in a buffer of the slot, reused) instead of, or besides,
// the decoded picture; the other stills are decoded as usual. Likewise, when planes are asked for,
// a still that needs no scaling and is stored as 4:2:0 YCbCr is decoded into planes of the slot
// (reused) instead of its surface; the first still, which fixes an open size, is always pixels.
class DecodeAhead {
  public:
    // order: indexes into paths in output order, repeats included. paths must outlive the
    // stage.
    DecodeAhead(std::span<const std::string> paths, const std::vector<std::size_t>& order,
                MovieSize size, std::size_t workerCount = DefaultDecodeWorkerCount(),
                RenderStill render = RenderStillFromFile, StillCopy copy = StillCopy::kNever,
                StillPlanes planes = StillPlanes::kNever);
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // The frame of the next output position, waiting while a worker still renders it. The
    // surface stays valid until the next call, Stop or destruction. Called at most once per
    // position of the order.
    AheadFrame Next();

    // The movie size: open until the first readable header in output order fixed it.
    const MovieSize& Size() const { return size_; }

    // Stops the workers between files and waits for them; Next must not be called afterwards.
    void Stop();

  private:
    // A still and how many consecutive output positions show it.
    struct Job {
        std::size_t still = 0;
        std::size_t positions = 0;
    };
    struct Slot {
        bool ready = false;
        FrameSkip skip = FrameSkip::kNone;
        std::exception_ptr error;
        DIB surface;
        bool copied = false;
        std::vector<std::uint8_t> jpeg;  // the copy, when copied
        bool planar = false;
        Yuv420Planes planes;  // the frame, when planar
    };

    void StartWorkers(std::size_t firstJob);
    void Work();
    // Renders job into its slot with renderer (made on first use, so its set-up failure is
    // carried like any other); false when an exception ended the worker.
    bool RenderJob(std::size_t job, std::optional<FrameRenderer>& renderer,
                   std::vector<std::uint8_t>& fileBytes);
    // Makes the frame of a still in slot: a copy where asked for and possible, decoded where
    // needed. fileBytes is the caller's buffer for the still's file.
    void MakeFrame(FrameRenderer& renderer, std::size_t still, Slot& slot,
                   std::vector<std::uint8_t>& fileBytes);
    // Reads the still into fileBytes (read: whether that worked) and extracts its copy into
    // slot; false when it cannot be copied into a movie of the fixed size.
    bool TryCopy(std::size_t still, Slot& slot, std::vector<std::uint8_t>& fileBytes,
                 bool& read) const;
    // Makes the frame of a still that is no copy: planes where asked for and possible, else
    // pixels in the slot's surface.
    void DecodeFrame(FrameRenderer& renderer, std::size_t still, Slot& slot,
                     std::vector<std::uint8_t>& fileBytes, bool read);
    // Renders a still into surface with renderer; kNone when it gave a frame.
    FrameSkip RenderInto(FrameRenderer& renderer, std::size_t still, DIB& surface);
    // Decodes a still already read into surface; kNone when it gave a frame.
    FrameSkip RenderBytesInto(FrameRenderer& renderer, std::span<const std::uint8_t> jpeg,
                              DIB& surface);
    AheadFrame FrameOf(std::size_t job);
    AheadFrame RenderOnCallingThread(std::size_t job);
    AheadFrame WaitForWorkers(std::size_t job);
    Slot& SlotOf(std::size_t job) { return slots_[job % slots_.size()]; }

    std::span<const std::string> paths_;
    std::vector<Job> jobs_;
    RenderStill render_;
    StillCopy copy_;
    StillPlanes planes_;
    std::size_t workerCount_;
    MovieSize size_;
    std::optional<FrameRenderer> leadRenderer_;  // the calling thread's, until the size is fixed
    std::vector<std::uint8_t> leadBytes_;        // the calling thread's file buffer, likewise

    // The consumer's place: the job handed out last and how many of its positions are left.
    std::size_t currentJob_ = 0;
    bool hasCurrent_ = false;
    std::size_t positionsLeft_ = 0;
    AheadFrame current_;
    std::exception_ptr failed_;
    bool stopped_ = false;

    std::mutex mutex_;
    std::condition_variable workAvailable_;  // a slot was given back, or stop
    std::condition_variable frameReady_;
    std::vector<Slot> slots_;
    std::size_t nextJob_ = 0;   // the next job a worker takes
    std::size_t released_ = 0;  // jobs below this have been given back by the consumer
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace chronoreel
