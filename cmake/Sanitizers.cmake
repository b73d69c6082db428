# Development builds that look for memory errors and undefined behaviour, each in a build folder
# of its own:
# - CHRONOREEL_SANITIZE: everything built with AddressSanitizer and UndefinedBehaviorSanitizer
#   (./test.sh --sanitize); any report ends the process, so it fails its test.
# - CHRONOREEL_FUZZ: the libFuzzer targets of tests/fuzz with both sanitizers (clang only); the
#   rest of the test suite is left out.
option(CHRONOREEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CHRONOREEL_FUZZ "Build the libFuzzer targets of tests/fuzz (clang)" OFF)

set(chronoreel_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
if(CHRONOREEL_FUZZ)
    # clang 15 is the first to compile std::source_location with libstdc++.
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR CMAKE_CXX_COMPILER_VERSION VERSION_LESS 15)
        message(FATAL_ERROR "CHRONOREEL_FUZZ needs clang 15 or newer: configure with "
                            "-DCMAKE_CXX_COMPILER=clang++-16 (see tests/fuzz/README.md)")
    endif()
    add_compile_options(${chronoreel_sanitizers} -fsanitize=fuzzer-no-link -fno-omit-frame-pointer)
    add_link_options(${chronoreel_sanitizers})
elseif(CHRONOREEL_SANITIZE)
    add_compile_options(${chronoreel_sanitizers} -fno-omit-frame-pointer)
    add_link_options(${chronoreel_sanitizers})
endif()
