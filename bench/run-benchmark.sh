#!/bin/sh
# Runs the movie benchmark set and prints one table:
#   1. 600 stills of 1280x720 cut from photographs, every job (uncompressed at the still size and
#      at 640x360, Motion JPEG at quality 7500 and 10000, MPEG-4, H.264), each beside its ffmpeg
#      command line, with the ratio of frames/s (ours / ffmpeg; above 1 = ours faster);
#   2. memory growth: 200 and 2000 stills of 640x360, uncompressed and Motion JPEG (the run's
#      own memory, peak minus the resident size before the run, should stay nearly the same);
#   3. scanning 100 000 still names, then 1 000 000 when the disk has the room and inodes.
# Usage: bench/run-benchmark.sh [path/to/movie_benchmark] [extra options for the movie runs]
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

"$bin" --frames 600 --width 1280 --height 720 "$@" | tee -a "$log"
"$bin" --frames 200 --width 640 --height 360 --job raw,mjpeg --no-ffmpeg "$@" | tee -a "$log"
"$bin" --frames 2000 --width 640 --height 360 --job raw,mjpeg --no-ffmpeg "$@" | tee -a "$log"
"$bin" --scan 100000 | tee -a "$log"
"$bin" --scan 1000000 | tee -a "$log" || echo "(no room for 1 000 000 names)"

echo
grep '^RESULT ' "$log" | grep -v 'job=scan' | awk '
    function field(name,    i, pair) {
        for (i = 2; i <= NF; i++) {
            split($i, pair, "=")
            if (pair[1] == name) return pair[2]
        }
        return "-"
    }
    BEGIN {
        format = "%-12s %-13s %6s %9s %8s %7s %7s %7s %8s %8s %7s %6s\n"
        printf format, "job", "ffmpeg", "frames", "size", "frames/s", "CPU", "peak", "run",
               "ffmpeg", "+fsync", "ffmpeg", "ratio"
        printf format, "", "", "", "", "", "ms/fr", "MiB", "MiB", "fr/s", "fr/s", "MiB", ""
    }
    {
        printf format, field("job"), field("ffmpeg"), field("frames"),
               field("width") "x" field("height"), field("fps"), field("cpu_ms_per_frame"),
               field("peak_mib"), field("run_mib"), field("ffmpeg_fps"),
               field("ffmpeg_fsync_fps"), field("ffmpeg_peak_mib"), field("ratio")
    }'
echo
grep '^RESULT job=scan' "$log" | awk '
    function field(name,    i, pair) {
        for (i = 2; i <= NF; i++) {
            split($i, pair, "=")
            if (pair[1] == name) return pair[2]
        }
        return "-"
    }
    BEGIN { printf "%-8s %9s %9s %9s %9s %9s\n", "scan", "names", "total ms", "CPU ms", "peak MiB", "run MiB" }
    { printf "%-8s %9s %9s %9s %9s %9s\n", "", field("names"), field("total_ms"), field("cpu_ms"),
             field("peak_mib"), field("run_mib") }'
