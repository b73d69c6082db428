# Our own code compiles without warnings; third-party headers come in as system includes.
add_library(chronoreel_warnings INTERFACE)
target_compile_options(chronoreel_warnings INTERFACE -Wall -Wextra -Werror)
