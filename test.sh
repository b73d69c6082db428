#!/usr/bin/env bash
# Installs what is missing, builds Chronoreel and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHRONOREEL_WERROR=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
