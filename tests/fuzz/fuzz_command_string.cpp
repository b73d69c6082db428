// A command string as a setup's post-generation command or a command line given as one text
// holds it, split into arguments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "os/command_string.h"

using namespace chronoreel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view command(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = SplitCommandLine(command);
    const bool quoted = command.find('"') != std::string_view::npos;
    std::string joined;
    for (const std::string& argument : arguments) {
        // Quotes go, nothing else: every argument is made of the command's other characters,
        // and only a quoted stretch can hold a blank or be empty.
        FUZZ_CHECK(argument.find('"') == std::string::npos);
        FUZZ_CHECK(quoted ||
                   (!argument.empty() && argument.find_first_of(" \t") == std::string::npos));
        joined += (joined.empty() ? "\"" : " \"") + argument + "\"";
    }
    // Every argument quoted and joined splits into the same arguments again.
    FUZZ_CHECK(SplitCommandLine(joined) == arguments);
    return 0;
}
