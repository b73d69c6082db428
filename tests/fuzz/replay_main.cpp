// Runs the files of a fuzzing target's corpus through it once each, so that every input the
// fuzzer ever found interesting stays a regression test of the normal build. Arguments are
// files or folders (every file in a folder, in name order); arguments starting with "-" are
// libFuzzer's options and are ignored, so that one command line serves both builds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputFiles(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path argument = argv[i];
        if (argument.string().starts_with("-")) {
            continue;
        }
        if (!std::filesystem::is_directory(argument)) {
            files.push_back(argument);
            continue;
        }
        std::vector<std::filesystem::path> inFolder;
        for (const auto& entry : std::filesystem::directory_iterator(argument)) {
            if (entry.is_regular_file()) {
                inFolder.push_back(entry.path());
            }
        }
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::filesystem::path> files = InputFiles(argc, argv);
    if (files.empty()) {
        std::fprintf(stderr, "no input files\n");
        return 1;
    }
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        // A byte vector of exactly the input's size, so that reading past the end is seen by
        // the sanitizers.
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
        std::fprintf(stderr, "%s\n", file.c_str());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::fprintf(stderr, "%zu input(s) passed\n", files.size());
    return 0;
}
