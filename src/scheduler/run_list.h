#pragma once

#include <vector>

#include "scheduler/task_run.h"

namespace chronoreel {

// A list of run slots: the runs in use fill slots 0 to Count() - 1 in ascending order of their
// scheduled time, ties in arrival order; slots from Count() on are unused.
class RunList {
  public:
    enum class Sizing { kFixed, kGrowAndShrink };
    static constexpr int kGrowthSlots = 10;
    static constexpr int kShrinkSlots = 20;

    RunList(int slots, Sizing sizing);

    int Count() const { return count_; }
    int Slots() const { return static_cast<int>(slots_.size()); }
    bool Empty() const { return count_ == 0; }
    const TaskRun& operator[](int slot) const { return slots_.at(static_cast<std::size_t>(slot)); }
    TaskRun& At(int slot) { return slots_.at(static_cast<std::size_t>(slot)); }

    // Inserts a copy behind every run scheduled at or before it, marked in use with the given
    // status; returns its slot. A full growing list gains 10 slots; a full fixed list is a
    // caller's error.
    int Insert(const TaskRun& run, RunStatus status);
    // Appends a copy in the next slot (for lists built in time order); false when full.
    bool Append(const TaskRun& run);
    // Removes the run in a slot, closing the gap; a growing list with 20 spare slots beyond
    // the last one it could need gives them back.
    void Remove(int slot);
    // Marks every slot unused and drops every task reference.
    void Clear();

  private:
    Sizing sizing_;
    std::vector<TaskRun> slots_;
    int count_ = 0;
};

}  // namespace chronoreel
