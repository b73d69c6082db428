#!/usr/bin/env bash
# Installs what is missing, builds Chronoreel and runs every test.
#   ./test.sh             RelWithDebInfo build in build/, warnings as errors
#   ./test.sh --sanitize  the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#                         in build-asan/; any report fails its test
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-normal}
case "$mode" in
    normal | --sanitize) ;;
    *)
        echo "usage: $0 [--sanitize]" >&2
        exit 64
        ;;
esac

scripts/install-deps
if [ "$mode" = normal ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHRONOREEL_WERROR=ON
    cmake --build build -j2
    ctest --test-dir build --output-on-failure -j2
    exit 0
fi

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCHRONOREEL_WERROR=ON \
    -DCHRONOREEL_SANITIZE=ON
cmake --build build-asan -j2
# Every report, also one from a program that a test starts and only watches, goes to a file of
# its own in build-asan/sanitizer-reports; any such file fails the run.
reports=build-asan/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
# allocator_may_return_null: an allocation that cannot be had fails as it does without the
# sanitizer instead of ending the process.
export ASAN_OPTIONS="allocator_may_return_null=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$PWD/$reports/asan"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$PWD/$reports/ubsan"
status=0
ctest --test-dir build-asan --output-on-failure -j2 || status=$?
# A sanitizer may open its log file without writing to it (leaks it was told to ignore, say):
# only a file with content holds a report.
for report in "$reports"/*; do
    [ -e "$report" ] || continue
    if [ ! -s "$report" ]; then
        echo "empty sanitizer log $(basename "$report"): no report" >&2
        continue
    fi
    echo "sanitizer report $(basename "$report") ($(wc -c <"$report") bytes):" >&2
    head -c 20000 "$report" >&2
    status=1
done
exit $status
