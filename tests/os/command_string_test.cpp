#include "os/command_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace chronoreel {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheQuoteRules) {
    const struct {
        const char* command;
        Args expected;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"prog", {"prog"}},
        {"  cp  a\tb  ", {"cp", "a", "b"}},
        {"cp \"my file.avi\" /tmp/", {"cp", "my file.avi", "/tmp/"}},
        {"\"a b\"c", {"a bc"}},
        {"x\"a b\"c y", {"xa bc", "y"}},
        {"a\"\"b", {"ab"}},
        {"prog \"\" x", {"prog", "", "x"}},
        {"prog \"\"", {"prog", ""}},
        {"prog \"unclosed  to the end ", {"prog", "unclosed  to the end "}},
        {"prog \"", {"prog", ""}},
        {"sh -c \"echo 'hi there' > out\"", {"sh", "-c", "echo 'hi there' > out"}},
        {"dir\\sub\\ \"c:\\x\\\"", {"dir\\sub\\", "c:\\x\\"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(SplitCommandLine(c.command), c.expected);
    }
}

}  // namespace
}  // namespace chronoreel
