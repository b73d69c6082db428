#include "movie/movie_settings.h"

#include "base/numbers.h"

namespace chronoreel {

std::string SettingText(const std::string& value) {
    return value;
}

std::string SettingText(bool value) {
    return CStrNI(value);
}

std::string SettingText(std::int32_t value) {
    return CStrNI(value);
}

std::string SettingText(double value) {
    return CStrNI(value);
}

}  // namespace chronoreel
