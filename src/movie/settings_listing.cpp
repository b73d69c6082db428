#include "movie/settings_listing.h"

namespace chronoreel {

std::vector<std::string> SettingsListing(const MovieGen& m) {
    std::vector<std::string> lines;
#define CHRONOREEL_LIST_SETTING(Name, ...) lines.push_back(#Name "=" + SettingText(m.Name()));
    CHRONOREEL_MOVIE_SETTINGS(CHRONOREEL_LIST_SETTING)
#undef CHRONOREEL_LIST_SETTING
    return lines;
}

}  // namespace chronoreel
