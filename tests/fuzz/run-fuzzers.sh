#!/usr/bin/env bash
# Builds the fuzzing targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz/ and runs each for SECONDS (default 600), two at a time and at low priority, since
# others build on the same machine. New inputs go to build-fuzz/found/TARGET/, inputs that fail
# to build-fuzz/crashes/TARGET/; the CPU time of each run is printed at the end.
#   tests/fuzz/run-fuzzers.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(command_line command_string date_time ini_text jpeg jpeg_copy setup_file stamp_from_name task_file)
fi

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-16 \
    -DCHRONOREEL_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

# Fixtures of the other tests that seed a target too.
declare -A fixtures=([jpeg]="tests/data/jpeg tests/data/jpeg/broken" [jpeg_copy]="tests/data/jpeg tests/data/jpeg/broken")
# The targets that write files work in memory.
scratch=/dev/shm
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=${TMPDIR:-/tmp}

run() {
    local target=$1
    local TIMEFORMAT="$target: %U s user, %S s system, %R s elapsed"
    mkdir -p "build-fuzz/found/$target" "build-fuzz/crashes/$target"
    # shellcheck disable=SC2086
    {
        time TMPDIR=$scratch nice -n 10 "build-fuzz/bin/fuzz_$target" \
            -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="build-fuzz/crashes/$target/" \
            "build-fuzz/found/$target" "tests/fuzz/corpus/$target" ${fixtures[$target]:-} \
            >"build-fuzz/$target.log" 2>&1 || echo "$target: FAILED, see build-fuzz/$target.log"
    } 2>&1
}

for ((i = 0; i < ${#targets[@]}; i += 2)); do
    run "${targets[i]}" &
    if ((i + 1 < ${#targets[@]})); then
        run "${targets[i + 1]}" &
    fi
    wait
done
