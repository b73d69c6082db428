// The movie maker's command line: as the shell hands it over (arguments cut at NUL bytes) and
// as one text (the way a task's command or a second instance passes it). Two setup files exist
// in the current folder, so that switches naming them take effect.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "programs/movie_maker/command_line.h"

using namespace chronoreel;

namespace {

const std::filesystem::path& CurrentFolder() {
    static const std::filesystem::path folder = [] {
        fuzz::WriteScratchFile("day.tls", "[General]\n");
        fuzz::WriteScratchFile("A B.TLS", "[General]\n");
        return fuzz::ScratchFolder();
    }();
    return folder;
}

void CheckResult(const CommandLineResult& result) {
    if (!result.Ok()) {
        return;
    }
    const CommandLineValues& v = result.values;
    // An unattended run and a dry run always have an existing setup file.
    FUZZ_CHECK(!v.automation || !v.setupFile.empty());
    FUZZ_CHECK(!v.dryRun || v.help || v.version || !v.setupFile.empty());
    if (!v.setupFile.empty()) {
        FUZZ_CHECK(std::filesystem::is_regular_file(v.setupFile));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& folder = CurrentFolder();
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments;
    std::string text;
    for (std::size_t start = 0; start <= all.size();) {
        const std::size_t end = std::min(all.find('\0', start), all.size());
        arguments.emplace_back(all.substr(start, end - start));
        text += (start == 0 ? "" : " ") + arguments.back();
        start = end + 1;
    }
    CheckResult(ProcessCommandLine(arguments, folder));
    CheckResult(ProcessCommandLineText(text, folder));
    return 0;
}
