#!/usr/bin/env bash
# Installs what is missing, builds Chronoreel and makes a time-lapse movie from the bundled
# plant stills, without any window or display.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target chronoreel

# The run works in its own folder: the setup file gets its missing keys written there and the
# movie maker keeps its settings file (Chronoreel.INI) in the current directory.
out=demo/out
mkdir -p "$out"
cp demo/demo.tls "$out/demo.tls"
sed -i -e "s|^StillDirectory=.*|StillDirectory=$PWD/demo/stills|" \
       -e "s|^OutputAVIPath=.*|OutputAVIPath=$PWD/$out/plant-timelapse.avi|" "$out/demo.tls"
(cd "$out" && env -u DISPLAY -u WAYLAND_DISPLAY ../../build/bin/chronoreel /f=demo.tls /a /i)
echo "Demo movie: $PWD/$out/plant-timelapse.avi"
