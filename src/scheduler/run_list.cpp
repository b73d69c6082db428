#include "scheduler/run_list.h"

#include <algorithm>

#include "base/app_error.h"

namespace chronoreel {

std::string_view StatusText(RunStatus status) {
    switch (status) {
        case RunStatus::kIdle:
            return "Idle";
        case RunStatus::kRunning:
            return "Running";
        case RunStatus::kFinished:
            return "Finished";
        case RunStatus::kError:
            return "Error";
        case RunStatus::kWaiting:
            return "Waiting";
        case RunStatus::kSkipped:
            return "Skipped";
    }
    return "Unknown";
}

RunList::RunList(int slots, Sizing sizing)
    : sizing_(sizing), slots_(static_cast<std::size_t>(slots)) {}

int RunList::Insert(const TaskRun& run, RunStatus status) {
    if (count_ == Slots()) {
        if (sizing_ == Sizing::kFixed) {
            throw AppError(kErrSubscriptOutOfRange, "Subscript out of range");
        }
        slots_.resize(slots_.size() + kGrowthSlots);
    }
    int slot = 0;
    while (slot < count_ && slots_[static_cast<std::size_t>(slot)].scheduled <= run.scheduled) {
        ++slot;
    }
    // Move the later runs up one slot, then fill the gap.
    std::move_backward(slots_.begin() + slot, slots_.begin() + count_, slots_.begin() + count_ + 1);
    ++count_;
    TaskRun& placed = slots_[static_cast<std::size_t>(slot)];
    placed = run;
    placed.inUse = true;
    placed.status = status;
    return slot;
}

bool RunList::Append(const TaskRun& run) {
    if (count_ == Slots()) {
        return false;
    }
    slots_[static_cast<std::size_t>(count_)] = run;
    ++count_;
    return true;
}

void RunList::Remove(int slot) {
    if (slot < 0 || slot >= count_) {
        throw AppError(kErrSubscriptOutOfRange, "Subscript out of range");
    }
    std::move(slots_.begin() + slot + 1, slots_.begin() + count_, slots_.begin() + slot);
    --count_;
    slots_[static_cast<std::size_t>(count_)] = TaskRun{};
    const int lastSlot = Slots() - 1;
    if (sizing_ == Sizing::kGrowAndShrink && count_ < lastSlot - kShrinkSlots) {
        slots_.resize(slots_.size() - kShrinkSlots);
    }
}

void RunList::Clear() {
    std::fill(slots_.begin(), slots_.end(), TaskRun{});
    count_ = 0;
}

}  // namespace chronoreel
