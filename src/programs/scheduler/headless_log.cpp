#include "programs/scheduler/headless_log.h"

namespace chronoreel {
namespace {

std::string Head(const TaskRun& run, DateTime now, std::string_view event) {
    const std::string name = run.task ? run.task->Name() : std::string();
    return FormatDateTime(now, DateTimePattern::kIsoDateTime) + " " + std::string(event) + " \"" +
           name + "\"";
}

std::string HowItEnded(const RunProcess& process) {
    if (process.exit) {
        if (process.exit->kind == ChildExit::Kind::kSignalled) {
            return "signal " + std::to_string(process.exit->code);
        }
        return "exit code " + std::to_string(process.exit->code);
    }
    if (!process.startError.empty()) {
        return "not started (" + process.startError + ")";
    }
    return "not followed";
}

}  // namespace

std::string QueuedLine(const TaskRun& run, DateTime now) {
    return Head(run, now, "queued") + " due " +
           FormatDateTime(run.scheduled, DateTimePattern::kIsoDateTime);
}

std::string StartedLine(const TaskRun& run, DateTime now) {
    std::string line = Head(run, now, "started");
    if (run.process.processId > 0) {
        line += " pid " + std::to_string(run.process.processId);
    }
    return line + ": " + run.process.commandLine;
}

std::string EndedLine(const TaskRun& run, DateTime now) {
    return Head(run, now, "ended") + " " + HowItEnded(run.process) + ": " +
           std::string(StatusText(run.status));
}

void HeadlessLog::RunQueued(const TaskRun& run, DateTime now) {
    Write(QueuedLine(run, now));
}
void HeadlessLog::RunStarted(const TaskRun& run, DateTime now) {
    Write(StartedLine(run, now));
}
void HeadlessLog::RunEnded(const TaskRun& run, DateTime now) {
    Write(EndedLine(run, now));
}

void HeadlessLog::Write(const std::string& line) {
    std::fputs(line.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

}  // namespace chronoreel
