#include "os/direct_file_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "os/atomic_file.h"
#include "os/unique_fd.h"
#include "support/private_ramfs.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

using testing::ReadText;
using testing::RunInPrivateRamfs;
using testing::TempDir;
namespace fs = std::filesystem;

// A small staging buffer, so that short scripts cross many full buffers.
constexpr std::size_t kStagingBytes = 3 * DirectFileWriter::kBlockBytes;

enum class Action { kWrite, kSeek, kFlush };

struct Step {
    Action action;
    std::int64_t amount = 0;  // bytes to write, or the offset to seek to
};

Step W(std::int64_t bytes) {
    return {Action::kWrite, bytes};
}
Step Seek(std::int64_t offset) {
    return {Action::kSeek, offset};
}
const Step kFlushStep{Action::kFlush};

struct Script {
    const char* what;
    std::vector<Step> steps;
};

// Ways a muxer writes: appends of every length, patches before, across and inside the staged
// bytes, flushes that leave a tail, and seeks past the end. Block = 4096 bytes, buffer = 12288.
const std::vector<Script>& Scripts() {
    static const std::vector<Script> scripts = {
        {"appends inside one block", {W(10), W(20), W(30)}},
        {"appends filling the buffer several times",
         {W(5000), W(5000), W(5000), W(5000), W(5000), W(5000), W(5000), W(5000)}},
        {"one write longer than the buffer", {W(40000)}},
        {"patch of bytes already written out, then appends",
         {W(30000), Seek(100), W(50), Seek(30000), W(1000)}},
        {"patch across the start of the staged bytes",
         {W(14000), Seek(12000), W(1000), Seek(14000), W(500)}},
        {"patch of staged bytes", {W(5000), Seek(4000), W(500), Seek(5000), W(100)}},
        {"flushes between appends: the tail block goes out again",
         {W(5000), kFlushStep, W(9000), kFlushStep, W(7000), kFlushStep}},
        {"patch across a flushed tail",
         {W(5000), kFlushStep, Seek(4090), W(20), Seek(5000), W(10000)}},
        {"patches after a flush, in written and staged bytes",
         {W(20000), kFlushStep, Seek(0), W(8), Seek(16384), W(4), kFlushStep}},
        {"the whole file written again", {W(10000), Seek(0), W(10000), W(3000)}},
        {"seek past the end inside the staged block", {W(100), Seek(1000), W(10)}},
        {"seeks far past the end", {W(100), Seek(30000), W(10), Seek(100000), W(5000)}},
        {"seek past the end from a block boundary", {W(8192), Seek(20000), W(3000)}},
        {"nothing written", {}},
    };
    return scripts;
}

// Every write gives fresh bytes, so that a byte in the wrong place shows.
class ByteSource {
  public:
    std::vector<std::uint8_t> Next(std::int64_t count) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
        for (std::uint8_t& byte : bytes) {
            byte = static_cast<std::uint8_t>(random_() % 255 + 1);
        }
        return bytes;
    }

  private:
    std::mt19937 random_{42};
};

// What the file must hold after the script and a final flush.
std::string Expected(const Script& script) {
    std::string content;
    std::size_t position = 0;
    ByteSource source;
    for (const Step& step : script.steps) {
        if (step.action == Action::kSeek) {
            position = static_cast<std::size_t>(step.amount);
        } else if (step.action == Action::kWrite) {
            const std::vector<std::uint8_t> bytes = source.Next(step.amount);
            if (content.size() < position + bytes.size()) {
                content.resize(position + bytes.size(), '\0');
            }
            std::memcpy(content.data() + position, bytes.data(), bytes.size());
            position += bytes.size();
        }
    }
    return content;
}

// Runs the script and a final flush; "" or what went wrong.
std::string RunScript(DirectFileWriter& writer, const Script& script) {
    ByteSource source;
    for (const Step& step : script.steps) {
        int error = 0;
        if (step.action == Action::kSeek) {
            writer.Seek(step.amount);
        } else if (step.action == Action::kWrite) {
            const std::vector<std::uint8_t> bytes = source.Next(step.amount);
            error = writer.Write(bytes.data(), bytes.size());
        } else {
            error = writer.Flush();
        }
        if (error != 0) {
            return std::strerror(error);
        }
    }
    const int error = writer.Flush();
    if (error != 0) {
        return std::strerror(error);
    }
    if (writer.Size() != static_cast<std::int64_t>(Expected(script).size())) {
        return "size " + std::to_string(writer.Size());
    }
    return "";
}

bool TakesDirectWrites(const fs::path& folder) {
    const UniqueFd probe(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_DIRECT | O_CLOEXEC, 0600));
    return probe.Valid();
}

UniqueFd CreateFile(const fs::path& file) {
    return UniqueFd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
}

TEST(DirectFileWriter, FileHoldsWhatWasWrittenWithAndWithoutTheCache) {
    TempDir dir;
    const bool direct = TakesDirectWrites(dir.Path());
    for (const FileCaching caching : {FileCaching::kBypassCache, FileCaching::kPageCache}) {
        for (const Script& script : Scripts()) {
            SCOPED_TRACE(script.what);
            SCOPED_TRACE(caching == FileCaching::kBypassCache ? "bypassing the cache" : "cached");
            const fs::path file = dir / "file";
            const UniqueFd fd = CreateFile(file);
            ASSERT_TRUE(fd.Valid());
            DirectFileWriter writer(fd.Get(), caching, kStagingBytes);
            EXPECT_EQ(RunScript(writer, script), "");
            EXPECT_EQ(writer.WritesDirectly(), direct && caching == FileCaching::kBypassCache);
            EXPECT_TRUE(ReadText(file) == Expected(script));
        }
    }
}

// The way movies are written: into an unnamed temporary file, reopened for direct writes.
TEST(DirectFileWriter, UnnamedTemporaryFileIsWrittenDirectlyAndPublishedWhole) {
    TempDir dir;
    const Script& script = Scripts()[3];
    std::string error;
    std::optional<FileReplacement> replacement = FileReplacement::Begin(dir / "movie", error);
    ASSERT_TRUE(replacement) << error;
    {
        DirectFileWriter writer(replacement->Descriptor(), FileCaching::kBypassCache,
                                kStagingBytes);
        EXPECT_EQ(RunScript(writer, script), "");
        EXPECT_EQ(writer.WritesDirectly(), TakesDirectWrites(dir.Path()));
    }
    ASSERT_TRUE(replacement->Commit(error)) << error;
    EXPECT_TRUE(ReadText(dir / "movie") == Expected(script));
}

TEST(DirectFileWriter, FileSystemWithoutDirectWritesGetsOrdinaryOnes) {
    const std::optional<int> failed = RunInPrivateRamfs([](const fs::path& folder) {
        int failures = 0;
        for (const Script& script : Scripts()) {
            const fs::path file = folder / "file";
            const UniqueFd fd = CreateFile(file);
            DirectFileWriter writer(fd.Get(), FileCaching::kBypassCache, kStagingBytes);
            const std::string problem = RunScript(writer, script);
            if (!problem.empty() || writer.WritesDirectly() || ReadText(file) != Expected(script)) {
                std::fprintf(stderr, "%s: %s\n", script.what, problem.c_str());
                ++failures;
            }
        }
        return failures;
    });
    if (!failed) {
        GTEST_SKIP() << "no mount namespace for a ramfs here";
    }
    EXPECT_EQ(*failed, 0);
}

// Writes 20000 bytes into a file that may not grow beyond 10000 and says what happened.
[[noreturn]] void WriteBeyondTheSizeLimit(const fs::path& file, FileCaching caching) {
    const rlimit limit{10000, 10000};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    const UniqueFd fd = CreateFile(file);
    DirectFileWriter writer(fd.Get(), caching, kStagingBytes);
    const std::vector<std::uint8_t> bytes = ByteSource().Next(20000);
    int error = writer.Write(bytes.data(), bytes.size());
    if (error == 0) {
        error = writer.Flush();
    }
    const std::string content = ReadText(file);
    const bool kept =
        content.size() <= 10000 && std::memcmp(content.data(), bytes.data(), content.size()) == 0;
    std::fprintf(stderr, "error \"%s\" kept %d\n", std::strerror(error), kept);
    std::_Exit(0);
}

TEST(DirectFileWriterDeathTest, WriteCutShortBySizeLimitReportsTheLimit) {
    for (const FileCaching caching : {FileCaching::kBypassCache, FileCaching::kPageCache}) {
        TempDir dir;
        EXPECT_EXIT(WriteBeyondTheSizeLimit(dir / "file", caching), ::testing::ExitedWithCode(0),
                    "error \"" + std::string(std::strerror(EFBIG)) + "\" kept 1");
    }
}

}  // namespace
}  // namespace chronoreel
