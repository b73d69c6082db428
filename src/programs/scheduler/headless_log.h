#pragma once

#include <cstdio>
#include <string>

#include "scheduler/engine.h"

namespace chronoreel {

// The lines the headless scheduler writes, one per run transition, each starting with the
// local date-time:
//   2026-01-01 07:00:00 queued "Roof" due 2026-01-01 07:00:00
//   2026-01-01 07:00:00 started "Roof" pid 4242: /usr/bin/chronoreel /F="/cam/roof.tls" /A /I
//   2026-01-01 07:03:10 ended "Roof" exit code 0: Finished
std::string QueuedLine(const TaskRun& run, DateTime now);
std::string StartedLine(const TaskRun& run, DateTime now);
std::string EndedLine(const TaskRun& run, DateTime now);

// Writes the lines to a stream, flushed line by line so that a reader sees each at once.
class HeadlessLog final : public EngineObserver {
  public:
    explicit HeadlessLog(std::FILE* out) : out_(out) {}
    void RunQueued(const TaskRun& run, DateTime now) override;
    void RunStarted(const TaskRun& run, DateTime now) override;
    void RunEnded(const TaskRun& run, DateTime now) override;

  private:
    void Write(const std::string& line);
    std::FILE* out_;
};

}  // namespace chronoreel
