#pragma once

#include <string>

namespace chronoreel {

// Writes an AVI file that holds no stream (a main header, an empty movie list and an empty
// index) to a fresh file. libavformat will not write a file without streams, and a movie of
// which no frame could be made still ends as a valid AVI file.
bool WriteAviWithoutStreams(int descriptor, int framesPerSecond, std::string& error);

}  // namespace chronoreel
