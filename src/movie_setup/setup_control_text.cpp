#include "movie_setup/setup_control_text.h"

#include "base/numbers.h"

namespace chronoreel {

std::string LocaleNumberText(double value) {
    std::string text = CStrNI(value);
    if (DecimalComma()) {
        if (const auto point = text.find('.'); point != std::string::npos) {
            text[point] = ',';
        }
    }
    return text;
}

std::string TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace chronoreel
