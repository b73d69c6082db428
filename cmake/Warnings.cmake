# Our own code compiles without warnings; third-party headers come in as system includes.
# Development builds (./test.sh, CI) turn warnings into errors with -DCHRONOREEL_WERROR=ON; a
# plain build with any build type and a newer compiler only warns.
option(CHRONOREEL_WERROR "Treat warnings in our own code as errors" OFF)
add_library(chronoreel_warnings INTERFACE)
target_compile_options(chronoreel_warnings INTERFACE -Wall -Wextra)
if(CHRONOREEL_WERROR)
    target_compile_options(chronoreel_warnings INTERFACE -Werror)
endif()
