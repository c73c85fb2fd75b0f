#!/usr/bin/env bash
# Rewrites examples/expected/ from a build of the converter: for every
# drawing in examples/, what a run in an empty directory writes (the SDXF,
# layers and profile files under files/) and what it prints (runs/: standard
# output and, when there is any, standard error), for mode 2 and then mode 3
# on every layer that mode 2 found. tests/e2e/test_examples.py replays the
# same runs and compares every byte but the profile identifiers.
#
# Usage: examples/update-expected.sh [BUILD_DIR]   (default: build/default)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/default}
binary=$(cd "$build" && pwd)/dxfprofile
[ -x "$binary" ] || { echo "no converter at $binary: build it first" >&2; exit 1; }

for drawing in "$top"/examples/*.dxf; do
    name=$(basename "$drawing" .dxf)
    expected=$top/examples/expected/$name
    rm -rf "$expected"
    mkdir -p "$expected/files" "$expected/runs"
    work=$(mktemp -d)
    cp "$drawing" "$work/"
    (
        cd "$work"
        status=0
        "$binary" 2 "$name.dxf" >"$expected/runs/mode2.stdout" 2>"$expected/runs/mode2.stderr" ||
            status=$?
        [ "$status" -eq 0 ] || { echo "$name: mode 2 ended with $status" >&2; exit 1; }
        # mapfile keeps a name in a legacy code page apart from the next one.
        mapfile -t layers <"$name.layers"
        for layer in "${layers[@]}"; do
            run=$expected/runs/mode3-$layer
            "$binary" 3 "$name.sdxf" "$layer" >"$run.stdout" 2>"$run.stderr" || status=$?
            [ "$status" -eq 0 ] || { echo "$name: mode 3 on $layer ended with $status" >&2; exit 1; }
        done
        rm "$name.dxf"
        shopt -s dotglob
        mv ./* "$expected/files/"
    )
    rmdir "$work"
    find "$expected/runs" -name '*.stderr' -empty -delete
    echo "$name: $(ls "$expected/files" | wc -l) files, $(ls "$expected/runs" | wc -l) transcripts"
done
