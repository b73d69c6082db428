#pragma once

#include <optional>
#include <string>

namespace chronoreel {
class Prompter;
}

namespace chronoreel::ui {

// The Browse buttons both programs share. Each asks through the prompter and gives the text to
// put into its box, or nullopt when the box is to stay as it is (cancelled, nothing chosen, or
// any failure of the dialog).

// A file chosen in an open dialog of this title and filter ("Description|pattern"), starting at
// the box's text.
std::optional<std::string> BrowseFile(Prompter& prompter, std::string title, std::string filter,
                                      const std::string& current);

// "Still Image Directory Selection": a folder, opening in the box's folder; nullopt also when
// the chosen folder is the box's text (blanks around either aside).
std::optional<std::string> BrowseStillDirectory(Prompter& prompter, const std::string& current);

// "Output AVI File Selection": a movie file; a name chosen without extension gets ".avi".
std::optional<std::string> BrowseOutputAviPath(Prompter& prompter, const std::string& current);

}  // namespace chronoreel::ui
