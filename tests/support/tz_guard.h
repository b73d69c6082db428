#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace chronoreel::testing {

// Sets TZ for the lifetime of the guard and restores the previous value afterwards, so that
// time tests give the same answer on every machine.
class TzGuard {
  public:
    explicit TzGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TzGuard() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    TzGuard(const TzGuard&) = delete;
    TzGuard& operator=(const TzGuard&) = delete;

  private:
    std::optional<std::string> previous_;
};

}  // namespace chronoreel::testing
