// The movie maker's entry point.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("chronoreel %s\n", CHRONOREEL_VERSION);
        return 0;
    }
    return 0;
}
