#!/usr/bin/env bash
# Times the converter on a large drawing next to cat and cp, and prints a
# markdown table: median wall time, MB/s, ratio to cat and peak resident
# memory of each run, for the release build ("after") and for a build that
# reads piece by piece ("before").
#
# Usage: bench/run.sh [--size MB] [--runs N] [--crlf] [--keep] [--dir DIR]
#                     [--build-dir DIR] [--no-before]
#   --size MB       size of the drawing in MB of 10^6 bytes (default 1000)
#   --runs N        timed runs of each command; the median is shown (default 3)
#   --crlf          a drawing with CR LF line ends
#   --keep          keep the drawing and its outputs in DIR, and reuse a drawing
#                   of the same size and line ends that an earlier --keep left there
#   --dir DIR       where the files go (default: a new temporary directory, or
#                   $TMPDIR/dxfprofile-bench with --keep)
#   --build-dir DIR where the two builds go (default: build/bench in the source tree)
#   --no-before     time only the release build
#
# Needs: cmake, a C++20 compiler, python3, GNU time (/usr/bin/time, Debian
# package "time"), and about four times the drawing's size of free disk.
set -euo pipefail

source_dir="$(cd "$(dirname "$0")/.." && pwd)"
size_mb=1000
runs=3
crlf=0
keep=0
work_dir=""
build_dir="$source_dir/build/bench"
before=1
while [ $# -gt 0 ]; do
    case "$1" in
        --size) size_mb="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --crlf) crlf=1; shift ;;
        --keep) keep=1; shift ;;
        --dir) work_dir="$2"; shift 2 ;;
        --build-dir) build_dir="$2"; shift 2 ;;
        --no-before) before=0; shift ;;
        -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "unknown argument: $1 (see --help)" >&2; exit 2 ;;
    esac
done

gnu_time=/usr/bin/time
if ! "$gnu_time" -v true >/dev/null 2>&1; then
    echo "GNU time is needed at $gnu_time (Debian: apt-get install time)" >&2
    exit 1
fi
python=/usr/bin/python3
[ -x "$python" ] || python=python3

# --- Build --------------------------------------------------------------------
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
jobs="$(nproc 2>/dev/null || echo 2)"
build() {  # build DIR [CXX flags]
    local dir="$1" flags="${2:-}"
    cmake -S "$source_dir" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DDXFPROFILE_BUILD_TESTS=OFF -DDXFPROFILE_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$flags" >/dev/null
    cmake --build "$dir" --target dxfprofile -j "$jobs" >/dev/null
}
echo "building in $build_dir ..." >&2
build "$build_dir/release"
after_bin="$build_dir/release/dxfprofile"
if [ "$before" = 1 ]; then
    build "$build_dir/plain" -DDXFPROFILE_PLAIN_READS
    before_bin="$build_dir/plain/dxfprofile"
fi

# --- The drawing ----------------------------------------------------------------
if [ -z "$work_dir" ]; then
    if [ "$keep" = 1 ]; then
        work_dir="${TMPDIR:-/tmp}/dxfprofile-bench"
    else
        work_dir="$(mktemp -d "${TMPDIR:-/tmp}/dxfprofile-bench-XXXXXX")"
    fi
fi
mkdir -p "$work_dir"
work_dir="$(cd "$work_dir" && pwd)"
cd "$work_dir"

cleanup() {
    cd /
    if [ "$keep" = 0 ]; then
        rm -f "$work_dir"/drawing.* "$work_dir"/copy.dxf "$work_dir"/before.* \
            "$work_dir"/*.txt "$work_dir"/rss.out "$work_dir"/times.out "$work_dir"/.drawing.* "$work_dir"/.before.*
        rmdir "$work_dir" 2>/dev/null || true
    fi
}
trap cleanup EXIT

stamp="size=$size_mb crlf=$crlf"
if [ -f drawing.dxf ] && [ "$(cat drawing.stamp 2>/dev/null)" = "$stamp" ]; then
    echo "reusing $work_dir/drawing.dxf" >&2
else
    needed_kb=$((size_mb * 1000 * 4 + 100000))
    free_kb="$(df -Pk . | awk 'NR == 2 {print $4}')"
    if [ "$free_kb" -lt "$needed_kb" ]; then
        echo "$work_dir has $((free_kb / 1000)) MB free; $((needed_kb / 1000)) MB needed" >&2
        exit 1
    fi
    rm -f drawing.*
    crlf_flag=()
    [ "$crlf" = 1 ] && crlf_flag=(--crlf)
    echo "generating a $size_mb MB drawing in $work_dir ..." >&2
    "$python" "$source_dir/bench/generate_drawing.py" drawing.dxf --size "$size_mb" \
        "${crlf_flag[@]}"
    echo "$stamp" > drawing.stamp
fi

# --- Timing -----------------------------------------------------------------------
# timeRun NAME INPUT COMMAND...: runs COMMAND $runs times after one untimed
# run that fills the page cache, and records the median wall time and the
# largest peak resident memory. Before each run the files named in $fresh
# are removed, so that writing them never includes dropping an old copy (cp
# and mode 2 write new files, as in a batch run). A command's exit status is
# not checked here (mode 3 on an absent layer ends with a failure status on
# purpose).
declare -A median_s cpu_s rss_kb input_bytes
order=()
fresh=""
median() {  # the median of the numbers on standard input, with 3 decimals
    sort -n | awk '{t[NR] = $1}
        END {printf "%.3f", (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2}'
}
timeRun() {
    local name="$1" input="$2"
    shift 2
    local walls=() cpus=() peak=0 i rss wall user system
    cat "$input" >/dev/null
    for ((i = 0; i <= runs; ++i)); do
        # shellcheck disable=SC2086
        [ -n "$fresh" ] && rm -f $fresh
        sync
        # Wall and CPU time (user and system, of the command and of GNU time
        # around it) to the millisecond from the shell; peak memory from
        # GNU time.
        TIMEFORMAT="%3R %3U %3S"
        { time "$gnu_time" -v -o rss.out "$@" >/dev/null 2>&1 || true; } 2>times.out
        [ "$i" = 0 ] && continue  # the warm-up run
        read -r wall user system <times.out
        walls+=("$wall")
        cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN {print u + s}')")
        rss="$(awk -F': ' '/Maximum resident set size/ {print $2}' rss.out)"
        [ "$rss" -gt "$peak" ] && peak="$rss"
    done
    median_s[$name]="$(printf '%s\n' "${walls[@]}" | median)"
    cpu_s[$name]="$(printf '%s\n' "${cpus[@]}" | median)"
    rss_kb[$name]="$peak"
    input_bytes[$name]="$(stat -c %s "$input")"
    order+=("$name")
    echo "  $name: ${median_s[$name]} s (CPU ${cpu_s[$name]} s)" >&2
}

echo "timing, median of $runs runs each ..." >&2
timeRun "cat drawing" drawing.dxf cat drawing.dxf
fresh="copy.dxf"
timeRun "cp drawing" drawing.dxf cp drawing.dxf copy.dxf
rm -f copy.dxf
fresh="drawing.sdxf drawing.layers"
timeRun "mode 2 (after)" drawing.dxf "$after_bin" 2 drawing.dxf
fresh=""
timeRun "cat SDXF" drawing.sdxf cat drawing.sdxf
timeRun "mode 3, absent layer (after)" drawing.sdxf "$after_bin" 3 drawing.sdxf ABSENT_LAYER
timeRun "mode 3, layer with a few entities (after)" drawing.sdxf \
    "$after_bin" 3 drawing.sdxf FEW_SHAPES
cp FEW_SHAPES.txt after.txt
if [ "$before" = 1 ]; then
    mv drawing.sdxf .drawing.sdxf
    mv drawing.layers .drawing.layers
    fresh="drawing.sdxf drawing.layers"
    timeRun "mode 2 (before)" drawing.dxf "$before_bin" 2 drawing.dxf
    fresh=""
    mv drawing.sdxf before.sdxf
    mv drawing.layers before.layers
    mv .drawing.sdxf drawing.sdxf
    mv .drawing.layers drawing.layers
    timeRun "mode 3, absent layer (before)" drawing.sdxf \
        "$before_bin" 3 drawing.sdxf ABSENT_LAYER
    timeRun "mode 3, layer with a few entities (before)" drawing.sdxf \
        "$before_bin" 3 drawing.sdxf FEW_SHAPES
    # Both builds must write the same bytes (the profile's identifier aside).
    same=yes
    cmp -s before.sdxf drawing.sdxf || same=no
    cmp -s before.layers drawing.layers || same=no
    cmp -s <(sed 1d after.txt) <(sed 1d FEW_SHAPES.txt) || same=no
    if [ "$same" = no ]; then
        echo "error: the two builds wrote different outputs" >&2
        exit 1
    fi
    rm -f before.sdxf before.layers
fi

# --- Table ------------------------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
cat_of() {  # the cat run that reads the same file as run $1
    case "$1" in
        *"mode 3"* | "cat SDXF") echo "cat SDXF" ;;
        *) echo "cat drawing" ;;
    esac
}
drawing_mb="$(awk -v b="${input_bytes[cat drawing]}" 'BEGIN {printf "%.0f", b / 1e6}')"
sdxf_mb="$(awk -v b="${input_bytes[cat SDXF]}" 'BEGIN {printf "%.0f", b / 1e6}')"
line_ends="LF"
[ "$crlf" = 1 ] && line_ends="CR LF"
echo
echo "Drawing: $drawing_mb MB ($line_ends line ends), SDXF: $sdxf_mb MB; median of $runs runs," \
    "files in the page cache; $(nproc) cores, $(uname -sr)."
echo
echo "| Run | Time (s) | MB/s | Ratio to cat of the same file | CPU time (s) | CPU ratio to cat | Peak RSS (MB) |"
echo "|---|---:|---:|---:|---:|---:|---:|"
for name in "${order[@]}"; do
    t="${median_s[$name]}"
    mbs="$(awk -v b="${input_bytes[$name]}" -v t="$t" 'BEGIN {printf "%.0f", b / 1e6 / t}')"
    rel="$(ratio "$t" "${median_s[$(cat_of "$name")]}")"
    cpu="${cpu_s[$name]}"
    cpu_rel="$(ratio "$cpu" "${cpu_s[$(cat_of "$name")]}")"
    rss="$(awk -v k="${rss_kb[$name]}" 'BEGIN {printf "%.1f", k / 1024}')"
    echo "| $name | $t | $mbs | $rel | $cpu | $cpu_rel | $rss |"
done

# --- Targets ----------------------------------------------------------------------
verdict() { awk -v a="$1" -v b="$2" 'BEGIN {print (a <= b) ? "met" : "MISSED"}'; }
mode3="${median_s[mode 3, absent layer (after)]}"
mode2="${median_s[mode 2 (after)]}"
limit3="$(awk -v c="${median_s[cat SDXF]}" 'BEGIN {printf "%.3f", 2.5 * c}')"
limit2="$(awk -v c="${median_s[cat drawing]}" 'BEGIN {printf "%.3f", 5 * c}')"
rss2="${rss_kb[mode 2 (after)]}"
rss3="${rss_kb[mode 3, absent layer (after)]}"
echo
echo "| Target | Limit | Measured | |"
echo "|---|---:|---:|---|"
echo "| mode 3, absent layer <= 2.5 x cat of the SDXF | $limit3 s | $mode3 s |" \
    "$(verdict "$mode3" "$limit3") |"
echo "| mode 2 <= 5 x cat of the drawing | $limit2 s | $mode2 s |" \
    "$(verdict "$mode2" "$limit2") |"
echo "| peak RSS of mode 2 < 8 MB | 8 MB | $(awk -v k="$rss2" 'BEGIN {printf "%.1f", k / 1024}') MB |" \
    "$(verdict "$rss2" 8191) |"
echo "| peak RSS of mode 3 < 8 MB | 8 MB | $(awk -v k="$rss3" 'BEGIN {printf "%.1f", k / 1024}') MB |" \
    "$(verdict "$rss3" 8191) |"
