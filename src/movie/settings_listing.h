#pragma once

#include <string>
#include <vector>

#include "movie/movie_gen.h"

namespace chronoreel {

// One "Name=value" line per MovieGen setting, named and ordered as the properties are declared
// in movie_settings.h (the compression record's addresses are left out), each value in the setup
// file's encoding: numbers as locale-neutral text, Booleans as True/False, compression fields as
// signed decimal integers. The dry run prints these.
std::vector<std::string> SettingsListing(const MovieGen& movieGen);

}  // namespace chronoreel
