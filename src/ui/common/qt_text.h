#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace chronoreel::ui {

// Text between the core (UTF-8 std::string) and Qt.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace chronoreel::ui
