#include "programs/scheduler/task_file_claim.h"

#include <unistd.h>

namespace chronoreel {

TaskFileClaim ClaimTaskFile(const std::string& taskFilePath) {
    TaskFileClaim claim;
    if (::access(taskFilePath.c_str(), F_OK) == 0 && ::access(taskFilePath.c_str(), R_OK) != 0) {
        claim.exitCode = kExitUnreadableTaskFile;
        claim.message = "cannot read the task file " + taskFilePath;
        return claim;
    }
    TaskFileRunLock::Refusal refusal;
    claim.lock = TaskFileRunLock::Acquire(taskFilePath, refusal);
    if (!claim.lock) {
        claim.exitCode = refusal.busy ? kExitSchedulerBusy : kExitCannotLock;
        claim.message = refusal.message;
    }
    return claim;
}

}  // namespace chronoreel
