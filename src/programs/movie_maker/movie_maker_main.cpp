#include "programs/movie_maker/movie_maker_main.h"

#include <chrono>
#include <clocale>
#include <functional>
#include <optional>
#include <ostream>
#include <string_view>

#include "base/error_report.h"
#include "base/event_pump.h"
#include "base/exit_codes.h"
#include "base/numbers.h"
#include "base/prompter.h"
#include "ini/ini.h"
#include "movie/make_movie.h"
#include "movie/movie_gen.h"
#include "movie/run_view.h"
#include "movie/settings_listing.h"
#include "movie_setup/interactive_start.h"
#include "movie_setup/mod_file.h"
#include "movie_setup/movie_maker_objects.h"
#include "movie_setup/program_state.h"
#include "movie_setup/run_sun_times.h"
#include "movie_setup/setup_file.h"
#include "movie_setup/setup_session.h"
#include "movie_setup/setup_view.h"
#include "movie_setup/shutdown.h"
#include "os/process_name.h"
#include "os/stop_signals.h"
#include "programs/movie_maker/command_line.h"
#include "programs/movie_maker/run_overrides.h"
#include "programs/movie_maker/terminal_progress.h"

namespace chronoreel {
namespace {

constexpr std::string_view kModule = "modMain";
constexpr std::string_view kMessagePrefix = "chronoreel: ";
// --help and --version end with success.
constexpr int kExitDone = 0;

// A run without windows has nobody to ask: every question is cancelled.
class SilentPrompter final : public Prompter {
  public:
    MessageAnswer Message(std::string_view, std::string_view, MessageButtons buttons,
                          MessageIcon) override {
        return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kCancel;
    }
    std::optional<std::string> Input(std::string_view, std::string_view,
                                     std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> FileDialog(const FileDialogRequest&) override {
        return std::nullopt;
    }
};

// The program-wide objects of a start without a main window.
struct ProgramObjects : MovieMakerObjects {
    SilentPrompter silentPrompter;
    SetupView noView;
};

SetupSession MakeSetupSession(ProgramObjects& objects, const MovieMakerEnvironment& env) {
    Prompter& prompter = env.windows.prompter ? *env.windows.prompter : objects.silentPrompter;
    return {objects.state, objects.movieGen, objects.ini, prompter, objects.noView};
}

// FileInit and LoadSetup: the setup counts as unchanged; the location and the recent files come
// from Chronoreel.INI.
void StartSetupState(ProgramObjects& objects, const MovieMakerEnvironment& env, LoadMode mode) {
    FileInit(objects.state);
    LoadSetup(objects.state, objects.ini, env.currentDirectory, mode);
}

// The setup file named on the command line becomes the current setup and is loaded; the run's
// overrides replace its settings, which then count as unchanged (nothing to save).
void OpenCommandLineSetup(ProgramObjects& objects, const MovieMakerEnvironment& env,
                          const CommandLineValues& values, LoadMode mode) {
    objects.state.currentSetupFile = values.setupFile;
    SetupSession session = MakeSetupSession(objects, env);
    LoadFile(session, mode);
    ApplyRunOverrides(objects.movieGen, values);
    objects.state.setupChanged.Clear();
}

// Lines of a run without windows about what went wrong, on standard error.
std::function<void(std::string_view)> DiagnosticsTo(std::ostream& err) {
    return [&err](std::string_view line) { err << kMessagePrefix << line << std::endl; };
}

int PrintUsageError(const MovieMakerEnvironment& env, const std::string& error) {
    env.err << kMessagePrefix << error << "\n"
            << "Try 'chronoreel --help' for the switches and exit codes.\n";
    return kExitUsage;
}

// The dry run: what the unattended run of these settings would use, and nothing written.
int DryRun(const MovieMakerEnvironment& env, const CommandLineValues& values) {
    ProgramObjects objects;
    objects.state.automation = true;
    StartSetupState(objects, env, LoadMode::kWriteNothing);
    OpenCommandLineSetup(objects, env, values, LoadMode::kWriteNothing);

    RunSunTimes sun(objects.state, env.clock);
    const RunContext context{env.clock, sun.Source(), nullptr, true, DiagnosticsTo(env.err), {}};
    for (const std::string& line : SettingsListing(objects.movieGen)) {
        env.out << line << '\n';
    }
    const DryRunPlan plan = PlanMovie(objects.movieGen, context);
    for (const std::string& line : DryRunLines(plan)) {
        env.out << line << '\n';
    }
    env.out.flush();
    return plan.frames.empty() ? kExitNothingToDo : kExitMovieWritten;
}

// The preview of an unattended run: only when windows were asked for, a display exists and the
// windows provide one. A run that asks for windows without a display runs without them.
std::unique_ptr<RunView> MakePreview(const MovieMakerEnvironment& env,
                                     const CommandLineValues& values, MovieGen& gen) {
    if (!values.showWindows) {
        return nullptr;
    }
    if (!env.windows.hasDisplay) {
        env.err << kMessagePrefix << "no display found; making the movie without windows\n";
        return nullptr;
    }
    if (!env.windows.makeRunView) {
        return nullptr;
    }
    return env.windows.makeRunView(gen);
}

// Settings that did not reach their file (the defaults of missing keys, the location at the
// end): the run goes on with them, but says so.
void WarnIfNotSaved(ProgramObjects& objects, const MovieMakerEnvironment& env) {
    if (const std::optional<std::string> error = objects.ini.TakeWriteError()) {
        env.err << kMessagePrefix << "warning: settings not saved: " << *error << std::endl;
    }
}

RunOutcome MakeMovieCancellable(MovieGen& gen, RunContext context) {
    const StopSignals stopSignals(&gen.CancelFlag());
    context.stopRequested = [] { return StopSignals::Received(); };
    return MakeMovie(gen, context);
}

// One movie made without questions, then the program ends.
int UnattendedRun(const MovieMakerEnvironment& env, const CommandLineValues& values) {
    ProgramObjects objects;
    objects.state.automation = true;
    StartSetupState(objects, env, LoadMode::kWriteMissingKeys);

    std::optional<ProcessNameGuard> processName;
    if (values.instanceNumber >= 0) {
        processName.emplace(InstanceProcessName(values.instanceNumber));
    }
    OpenCommandLineSetup(objects, env, values, LoadMode::kWriteMissingKeys);
    WarnIfNotSaved(objects, env);

    const std::unique_ptr<RunView> preview = MakePreview(env, values, objects.movieGen);
    RunSunTimes sun(objects.state, env.clock);
    std::optional<TerminalProgress> progress;
    if (env.errIsTerminal && !values.quiet && !preview) {
        progress.emplace(env.err, [] {
            return std::chrono::duration<double>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        });
    }
    RunContext context{env.clock, sun.Source(), preview.get(), true, DiagnosticsTo(env.err), {}};
    if (progress) {
        context.frameProgress = [&progress](std::size_t position, std::size_t count) {
            progress->Frame(position, count);
        };
    }
    const RunOutcome outcome = MakeMovieCancellable(objects.movieGen, context);
    progress.reset();
    processName.reset();

    // The orderly end: the location is stored, the recent files list is left as the user had
    // it, nothing is asked.
    SetupSession session = MakeSetupSession(objects, env);
    Shutdown(session, env.currentDirectory);
    WarnIfNotSaved(objects, env);
    return ExitCodeFor(outcome);
}

// The interactive session belongs to the windows. A build without them ends here with a hint at
// the unattended run.
int InteractiveSession(const MovieMakerEnvironment& env, const CommandLineValues& values) {
    if (env.windows.runInteractive) {
        MovieMakerObjects objects;
        return env.windows.runInteractive(
            {objects, values.setupFile, values.missingSetupFile, env.currentDirectory, env.clock});
    }
    if (!values.missingSetupFile.empty()) {
        env.err << kMessagePrefix << "setup file not found: " << values.missingSetupFile << '\n';
    }
    env.err << kMessagePrefix
            << "the windows are not available in this build; make a movie with /f=SETUP /a /i\n";
    return kExitUsage;
}

}  // namespace

void SetUpLocale() {
    std::setlocale(LC_ALL, "");
    SetDecimalComma(LocaleUsesDecimalComma());
    std::setlocale(LC_NUMERIC, "C");
}

int MovieMakerMain(const MovieMakerEnvironment& env) {
    return Trap(kModule, "Main", [&]() -> int {
        SetUpLocale();
        SetEventPump(env.windows.pumpEvents);
        // The command line is read first, so that --help, --version, a usage error and a dry
        // run never write Chronoreel.INI.
        const CommandLineResult commandLine =
            ProcessCommandLine(env.arguments, env.currentDirectory);
        if (!commandLine.Ok()) {
            return PrintUsageError(env, commandLine.usageError);
        }
        const CommandLineValues& values = commandLine.values;
        if (values.help) {
            env.out << UsageText() << std::flush;
            return kExitDone;
        }
        if (values.version) {
            env.out << VersionText() << std::endl;
            return kExitDone;
        }
        if (values.dryRun) {
            return DryRun(env, values);
        }
        if (values.automation) {
            return UnattendedRun(env, values);
        }
        return InteractiveSession(env, values);
    });
}

}  // namespace chronoreel
