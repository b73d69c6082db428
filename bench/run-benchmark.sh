#!/bin/sh
# Runs the movie benchmark set and prints one table:
#   1. 600 stills of 1280x720, uncompressed (DIB) and Motion JPEG, each beside ffmpeg;
#   2. memory growth: 200 and 2000 stills of 640x360, DIB and MJPG (the run's own memory,
#      peak minus the resident size before the run, should stay nearly the same).
# Usage: bench/run-benchmark.sh [path/to/movie_benchmark] [extra options for every run]
# Stills and movies go to a folder under $TMPDIR (or /tmp) that is removed at the end; the 600
# uncompressed frames need about 1.7 GB free there.
set -eu

bin=${1:-build/bin/movie_benchmark}
[ $# -gt 0 ] && shift
if [ ! -x "$bin" ]; then
    echo "run-benchmark.sh: no benchmark program at $bin (build the movie_benchmark target)" >&2
    exit 1
fi

log=$(mktemp "${TMPDIR:-/tmp}/chronoreel-bench-log.XXXXXX")
trap 'rm -f "$log"' EXIT

"$bin" --frames 600 --width 1280 --height 720 --codec DIB,MJPG "$@" | tee -a "$log"
"$bin" --frames 200 --width 640 --height 360 --codec DIB,MJPG --no-ffmpeg "$@" | tee -a "$log"
"$bin" --frames 2000 --width 640 --height 360 --codec DIB,MJPG --no-ffmpeg "$@" | tee -a "$log"

echo
grep '^RESULT ' "$log" | awk '
    function field(name,    i, pair) {
        for (i = 2; i <= NF; i++) {
            split($i, pair, "=")
            if (pair[1] == name) return pair[2]
        }
        return "-"
    }
    BEGIN {
        format = "%-5s %6s %9s %8s %7s %7s %7s %7s %7s %7s %7s %7s %7s\n"
        printf format, "codec", "frames", "size", "frames/s", "seconds", "CPU", "movie",
               "before", "peak", "run", "ffmpeg", "+fsync", "ffmpeg"
        printf format, "", "", "", "", "", "ms/fr", "MiB", "MiB", "MiB", "MiB", "fr/s", "fr/s",
               "MiB"
    }
    {
        printf format, field("codec"), field("frames"), field("width") "x" field("height"),
               field("fps"), field("seconds"), field("cpu_ms_per_frame"), field("movie_mib"),
               field("rss_before_mib"), field("peak_mib"), field("run_mib"), field("ffmpeg_fps"),
               field("ffmpeg_fsync_fps"), field("ffmpeg_peak_mib")
    }'
