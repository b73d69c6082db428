// A task file as a user may have edited it by hand, loaded the way the scheduler starts, its
// tasks described and turned into movie maker command lines. The tasks are then saved and
// loaded twice more: from then on they stay as they are, whatever the first file held.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "fuzz_support.h"
#include "ini/ini.h"
#include "scheduler/launcher.h"
#include "scheduler/task_file.h"

using namespace chronoreel;

namespace {

// Loading makes a section for every task counted, so a large count only makes each input slow.
constexpr std::int32_t kMostTasks = 40;

const std::string kMovieMaker = "/opt/chronoreel/chronoreel";

struct Loaded {
    ScheduleChangedFlag flag;
    TaskFile file{flag};
};

// The tasks of the file at path, with every task marked to be saved when save is set.
std::unique_ptr<Loaded> Load(const std::string& path) {
    auto loaded = std::make_unique<Loaded>();
    loaded->file.SetPaths(path, kMovieMaker);
    loaded->file.LoadAll();
    for (const auto& task : loaded->file.Tasks()) {
        (void)task->GetSchedule().Description();
        const std::vector<std::string> arguments =
            RunArguments(*task, loaded->file.ChronoreelPath());
        FUZZ_CHECK(!arguments.empty() && arguments.front() == loaded->file.ChronoreelPath());
        (void)RunCommandLineText(*task, loaded->file.ChronoreelPath());
        for (int minute = 0; minute < Task::kMinutesPerDay; ++minute) {
            (void)task->SetupTimesIndex(minute);
        }
    }
    return loaded;
}

void SaveEverything(Loaded& loaded) {
    for (const auto& task : loaded.file.Tasks()) {
        task->SetNeedsSaving(true);
    }
    loaded.file.SaveAll();
}

bool SameTasks(const TaskFile& a, const TaskFile& b) {
    if (a.TaskCount() != b.TaskCount() || a.ChronoreelPath() != b.ChronoreelPath()) {
        return false;
    }
    for (int i = 0; i < a.TaskCount(); ++i) {
        const std::vector<IniEntry> x = a.Tasks()[i]->FileEntries();
        const std::vector<IniEntry> y = b.Tasks()[i]->FileEntries();
        if (x.size() != y.size()) {
            return false;
        }
        for (std::size_t k = 0; k < x.size(); ++k) {
            if (x[k].section != y[k].section || x[k].key != y[k].key || x[k].text != y[k].text) {
                std::fprintf(stderr, "task %d %s: \"%s\" then \"%s\"\n", i, x[k].key.c_str(),
                             x[k].text.c_str(), y[k].text.c_str());
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool once = (fuzz::ReportErrorsByThrowing(), true);
    (void)once;
    const std::string path = fuzz::WriteScratchFile(
        "ChronoreelScheduler.INI", std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        INI ini(IniFlavour::kScheduler);
        ini.SetFile(path);
        if (scheduler_numbers::Str2LngNI(ini.GetKey("General", "TaskCount", SetDefault::kNo, "")) >
            kMostTasks) {
            return 0;
        }
        SaveEverything(*Load(path));
    } catch (const fuzz::ReportedError&) {
        return 0;  // a value the tasks cannot hold, reported as the scheduler reports it
    }
    const auto first = Load(path);
    SaveEverything(*first);
    const auto second = Load(path);
    FUZZ_CHECK(SameTasks(first->file, second->file));
    return 0;
}
