#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/date_time.h"
#include "os/child_process.h"

namespace chronoreel {

// Texts a run shows around the two actions after the movie is written.
inline constexpr std::string_view kStatusRunningPostShell = "Status: Running Post-Generation Shell";
inline constexpr std::string_view kStatusPostShellComplete =
    "Status: Post-Generation Shell Complete";
inline constexpr std::string_view kStatusPostShellCancelled =
    "Status: Post-Generation Shell Wait Cancelled";
inline constexpr std::string_view kFramePostShellMayRun =
    "*Note: The shelled process may still be running.";
inline constexpr std::string_view kPostShellErrorText = "There was an error calling:";
inline constexpr std::string_view kPostShellErrorTitle = "Error calling shell";
inline constexpr std::string_view kStatusDeletingOldImages = "Status: Deleting old images";
inline constexpr std::string_view kFrameDeletingPrefix = "Deleting: ";

// Replaces every occurrence of tag in text by value, matching without regard to letter case.
// The search goes on after each inserted value, so a value is never searched again (a path that
// happens to contain its own tag cannot make the replacing run forever).
void Replace(std::string& text, std::string_view tag, std::string_view value);

// The command with its ten tags replaced, in this order: <time> (HHMM), <timehhmmss>, <date>
// (YYMMDD), <datemmddyy>, <dateddmmyy>, <datedd> from runStart, then <outpath> (the output path
// as given), <outfile> (its last component), <outfilebase> (that without its last extension)
// and <outdir> (its folder ending in "/", empty when the path has no folder).
std::string FillTags(std::string command, DateTime runStart, std::string_view outputPath);

// False when the command is empty or only blanks: then nothing is run.
bool HasPostGenerationCommand(std::string_view shellCommand);

// What the wait for the command needs from the run.
struct PostCommandWait {
    std::function<bool()> keepWaiting;  // false ends the wait (cancel); empty: wait to the end
};

enum class PostCommandOutcome {
    kNotRun,     // the command was blank
    kEnded,      // the command ran and ended; exit says how
    kCancelled,  // the wait was given up while the command still ran; it goes on running
    kFailed,     // the command could not be started or waited for; error says why
};

struct PostCommandResult {
    PostCommandOutcome outcome = PostCommandOutcome::kNotRun;
    std::string commandText;  // the command with its tags replaced, as started
    pid_t pid = 0;            // the started process, 0 when none was started
    std::optional<ChildExit> exit;
    std::string error;
};

// Fills the tags, splits the command with the command line's quote rules and starts it without
// a shell, then polls it (about 1 ms per poll, events let through before every poll, at least
// one poll) until it ends, fails, or keepWaiting says no. A command that is given up on keeps
// running and is collected in the background when it ends. The run shows its texts from the
// outcome: kFailed is what "There was an error calling:" reports.
PostCommandResult RunPostGenerationCommand(std::string_view shellCommand, DateTime runStart,
                                           std::string_view outputPath,
                                           const PostCommandWait& wait);

// Deletes the images of the list that have grown older than limitHours at runStart. The age
// (runStart minus the image's stamp, in days) and the limit (limitHours / 24) are compared in
// single precision, so that noise far below a second never decides: with 168 hours an image
// stamped exactly 7 days before runStart is kept and one a second older is deleted. Only paths
// in the list are touched, and only regular files; stamps come from the list, never from the
// file. deleting (if set) hears the file name of every image found too old, before it is
// deleted. A file that cannot be deleted is left and the next one tried. Paths beyond the
// shorter of the two lists are left alone. Returns how many files were deleted.
std::size_t DeleteOldImages(std::span<const std::string> images, std::span<const DateTime> stamps,
                            DateTime runStart, double limitHours,
                            const std::function<void(std::string_view fileName)>& deleting = {});

}  // namespace chronoreel
