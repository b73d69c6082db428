#include "programs/movie_maker/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>

#include "base/text.h"
#include "os/command_string.h"

namespace chronoreel {
namespace {

enum class Switch {
    kInvisible,
    kInstance,
    kStart,
    kEnd,
    kFile,
    kAuto,
    kInputPath,
    kInputFilter,
    kOutputPath,
    kPostShell,
};

enum class Match { kWholeToken, kPrefix };

struct ShortSwitch {
    std::string_view name;  // lower case, after the "/"
    Match match;
    Switch which;
};

// Compared in this order; the first one that matches applies.
constexpr ShortSwitch kShortSwitches[] = {
    {"i", Match::kWholeToken, Switch::kInvisible}, {"n=", Match::kPrefix, Switch::kInstance},
    {"s=", Match::kPrefix, Switch::kStart},        {"e=", Match::kPrefix, Switch::kEnd},
    {"f=", Match::kPrefix, Switch::kFile},         {"a", Match::kWholeToken, Switch::kAuto},
    {"ip=", Match::kPrefix, Switch::kInputPath},   {"if=", Match::kPrefix, Switch::kInputFilter},
    {"op=", Match::kPrefix, Switch::kOutputPath},  {"pgs=", Match::kPrefix, Switch::kPostShell},
};

struct LongSwitch {
    std::string_view name;  // lower case, after the "--"
    bool takesValue;
    Switch which;
};

constexpr LongSwitch kLongSwitches[] = {
    {"file", true, Switch::kFile},
    {"auto", false, Switch::kAuto},
    {"invisible", false, Switch::kInvisible},
    {"instance", true, Switch::kInstance},
    {"start", true, Switch::kStart},
    {"end", true, Switch::kEnd},
    {"input-path", true, Switch::kInputPath},
    {"input-filter", true, Switch::kInputFilter},
    {"output-path", true, Switch::kOutputPath},
    {"post-shell", true, Switch::kPostShell},
};

// A decimal number, optionally signed, with an optional fraction and exponent, blanks around it
// allowed; nullopt for anything else (hex, "inf", "nan", words, thousands separators).
std::optional<double> ReadNumber(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.')) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

bool HasSetupExtension(const std::filesystem::path& path) {
    return EqualsIgnoringCase(path.extension().string(), ".tls");
}

class CommandLineReader {
  public:
    explicit CommandLineReader(const std::filesystem::path& currentDirectory)
        : currentDirectory_(currentDirectory) {}

    // Applies one argument; false when it made the command line unreadable (error set).
    bool ReadToken(std::string_view argument) {
        const std::string_view token = TrimBlanks(argument);
        if (token.empty()) {
            return true;
        }
        if (token.starts_with("--")) {
            return ReadLongOption(token);
        }
        if (token.starts_with("/")) {
            if (const auto applied = ReadShortSwitch(token)) {
                return *applied;
            }
        }
        // Not a switch: a setup file named on its own (an absolute path begins with "/" too).
        if (IsExistingSetupFile(token)) {
            return Apply(Switch::kFile, token, token);
        }
        return true;  // anything else is ignored
    }

    CommandLineResult Finish() {
        CommandLineValues& v = result_.values;
        // An unattended run needs an existing setup file.
        if (v.setupFile.empty()) {
            v.automation = false;
        }
        if (v.dryRun && v.setupFile.empty() && !v.help && !v.version) {
            result_.usageError = v.missingSetupFile.empty()
                                     ? "--dry-run needs a setup file (/f=PATH)"
                                     : "setup file not found: " + v.missingSetupFile;
            return result_;
        }
        // Without an unattended run (or a dry run of one) the run's overrides mean nothing; the
        // setup file is kept and opened in the window.
        if (!v.automation && !v.dryRun) {
            const CommandLineValues absent;
            v.showWindows = absent.showWindows;
            v.instanceNumber = absent.instanceNumber;
            v.startOverride = absent.startOverride;
            v.stopOverride = absent.stopOverride;
            v.inputPathOverride.clear();
            v.fileFilterOverride.clear();
            v.outputPathOverride.clear();
            v.postGenerationShellOverride.clear();
        }
        return result_;
    }

    const std::string& Error() const { return result_.usageError; }

  private:
    // nullopt when no switch of the table matches the token.
    std::optional<bool> ReadShortSwitch(std::string_view token) {
        const std::string_view rest = token.substr(1);
        for (const ShortSwitch& s : kShortSwitches) {
            const bool matches = s.match == Match::kWholeToken
                                     ? EqualsIgnoringCase(rest, s.name)
                                     : StartsWithIgnoringCase(rest, s.name);
            if (matches) {
                return Apply(s.which, rest.substr(s.name.size()), token);
            }
        }
        return std::nullopt;
    }

    bool ReadLongOption(std::string_view token) {
        const std::string_view body = token.substr(2);
        const auto equals = body.find('=');
        const std::string_view name = body.substr(0, equals);
        const bool hasValue = equals != std::string_view::npos;
        const std::string_view value = hasValue ? body.substr(equals + 1) : std::string_view{};

        for (const auto& [flagName, flag] :
             {std::pair<std::string_view, bool*>{"help", &result_.values.help},
              {"version", &result_.values.version},
              {"dry-run", &result_.values.dryRun},
              {"quiet", &result_.values.quiet}}) {
            if (EqualsIgnoringCase(name, flagName)) {
                if (hasValue) {
                    return SetError("option '--" + std::string(flagName) + "' takes no value");
                }
                *flag = true;
                return true;
            }
        }
        for (const LongSwitch& s : kLongSwitches) {
            if (!EqualsIgnoringCase(name, s.name)) {
                continue;
            }
            if (s.takesValue && !hasValue) {
                return SetError("option '--" + std::string(s.name) + "' needs a value: --" +
                                std::string(s.name) + "=...");
            }
            if (!s.takesValue && hasValue) {
                return SetError("option '--" + std::string(s.name) + "' takes no value");
            }
            return Apply(s.which, value, token);
        }
        return SetError("unknown option '" + std::string(token) + "'");
    }

    bool Apply(Switch which, std::string_view value, std::string_view token) {
        CommandLineValues& v = result_.values;
        switch (which) {
            case Switch::kInvisible:
                v.showWindows = false;
                return true;
            case Switch::kAuto:
                v.automation = true;
                return true;
            case Switch::kInstance:
                return ApplyInstance(value, token);
            case Switch::kStart:
                if (const auto start = ParseDateTime(TrimBlanks(value))) {
                    v.startOverride = *start;
                }
                return true;
            case Switch::kEnd:
                if (const auto stop = ParseDateTime(TrimBlanks(value))) {
                    v.stopOverride = *stop;
                }
                return true;
            case Switch::kFile:
                ApplyFile(TrimBlanks(value));
                return true;
            case Switch::kInputPath:
                v.inputPathOverride = TrimBlanks(value);
                return true;
            case Switch::kInputFilter:
                v.fileFilterOverride = TrimBlanks(value);
                return true;
            case Switch::kOutputPath:
                v.outputPathOverride = TrimBlanks(value);
                return true;
            case Switch::kPostShell:
                v.postGenerationShellOverride = TrimBlanks(value);
                return true;
        }
        return true;
    }

    // A value that is no number is ignored; a number beyond the 32-bit range cannot name an
    // instance and makes the line unreadable.
    bool ApplyInstance(std::string_view value, std::string_view token) {
        const std::optional<double> number = ReadNumber(value);
        if (!number) {
            return true;
        }
        const double rounded = RoundHalfEven(*number);
        if (rounded < std::numeric_limits<std::int32_t>::min() ||
            rounded > std::numeric_limits<std::int32_t>::max()) {
            return SetError("instance number out of range in '" + std::string(token) + "'");
        }
        result_.values.instanceNumber = static_cast<std::int32_t>(rounded);
        return true;
    }

    // The last setup file named wins, also when it does not exist (the setup file then becomes
    // empty again).
    void ApplyFile(std::string_view value) {
        CommandLineValues& v = result_.values;
        if (!value.empty()) {
            const std::filesystem::path file = Resolve(value);
            std::error_code error;
            if (std::filesystem::is_regular_file(file, error)) {
                v.setupFile = file.string();
                v.missingSetupFile.clear();
                return;
            }
        }
        v.setupFile.clear();
        v.missingSetupFile = value;
    }

    bool IsExistingSetupFile(std::string_view token) const {
        const std::filesystem::path file = Resolve(token);
        std::error_code error;
        return HasSetupExtension(file) && std::filesystem::is_regular_file(file, error);
    }

    // A relative name is taken from the current directory, so that the path stays right when
    // the program later changes folder.
    std::filesystem::path Resolve(std::string_view value) const {
        const std::filesystem::path path(value);
        return path.is_absolute() ? path : currentDirectory_ / path;
    }

    bool SetError(std::string error) {
        result_.usageError = std::move(error);
        return false;
    }

    std::filesystem::path currentDirectory_;
    CommandLineResult result_;
};

CommandLineResult UsageError(std::string error) {
    CommandLineResult result;
    result.usageError = std::move(error);
    return result;
}

}  // namespace

CommandLineResult ProcessCommandLine(const std::vector<std::string>& arguments,
                                     const std::filesystem::path& currentDirectory) {
    CommandLineReader reader(currentDirectory);
    for (const std::string& argument : arguments) {
        if (!reader.ReadToken(argument)) {
            return UsageError(reader.Error());
        }
    }
    return reader.Finish();
}

CommandLineResult ProcessCommandLineText(std::string_view commandLine,
                                         const std::filesystem::path& currentDirectory) {
    if (std::count(commandLine.begin(), commandLine.end(), '"') % 2 != 0) {
        return UsageError("a double quote in the command line has no closing partner");
    }
    return ProcessCommandLine(SplitCommandLine(commandLine), currentDirectory);
}

std::string_view ProgramVersion() {
    return CHRONOREEL_VERSION;
}

std::string VersionText() {
    return "chronoreel " + std::string(ProgramVersion());
}

std::string UsageText() {
    return R"(Usage: chronoreel [SETUP.tls] [switches]

Opens the movie maker's window, or with /a makes the movie of a setup file unattended and ends.
Switch names may be written in any letter case; values keep theirs. A value with blanks must be
quoted for the shell.

  /f=PATH, --file=PATH              the setup file (.tls); a relative path is taken from the
                                    current directory. A bare argument naming an existing .tls
                                    file means the same. Without /a the setup opens in the window.
  /a, --auto                        make the movie of the setup file unattended, then end
  /i, --invisible                   unattended run without the preview window
  /n=NUMBER, --instance=NUMBER      instance number of the unattended run (rounded to a whole
                                    number; the run's process is then named CR and the number)
  /s=DATETIME, --start=DATETIME     start of the time window instead of the setup's
  /e=DATETIME, --end=DATETIME       end of the time window instead of the setup's
                                    DATETIME: "YYYY-MM-DD HH:MM[:SS]" or "MM/DD/YYYY hh:mm[ AM|PM]"
  /ip=PATH, --input-path=PATH       still image directory instead of the setup's
  /if=FILTER, --input-filter=FILTER image file filter instead of the setup's
  /op=PATH, --output-path=PATH      output movie path instead of the setup's
  /pgs=COMMAND, --post-shell=COMMAND
                                    post-generation command instead of the setup's
  --dry-run                         print the settings, the time window and the frames that a
                                    run of the setup file would use; write and delete nothing
  --quiet                           no progress line on a terminal during an unattended run
  --help                            show this text and end
  --version                         show the version and end

/a needs an existing setup file; without it the window opens. The switches /i, /n=, /s=, /e=,
/ip=, /if=, /op= and /pgs= act only on an unattended run or a dry run. Invalid values of /n=,
/s= and /e= are ignored; unknown /switches are ignored.

Exit codes:
  0   a movie was written (and its post-generation command run); an interactive session and
      --help and --version also end with 0; a dry run ends with 0 when frames were selected
  3   nothing to do: no image found, none met the timing criteria, or none could be decoded
  4   cancelled
  5   the movie file could not be written (open, stream or write failure)
  64  the command line could not be read
  70  an unexpected error (after the error report)
)";
}

}  // namespace chronoreel
