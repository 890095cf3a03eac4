#!/bin/sh
# The editor's views as pictures, at scale 1 and 2: both layer pages, a modulator in
# curve mode, the matrix page (normal and compact), the compact master view, and the
# step and curve editors with a pattern drawn.
#   tools/screenshots/screenshots.sh BUILD_DIR [OUT_DIR]
set -e
build=${1:?usage: screenshots.sh BUILD_DIR [OUT_DIR]}
out=${2:-docs/screenshots}
tool="$build/morvex-screenshot"
mkdir -p "$out"
shot() {
    name=$1
    shift
    for scale in 1 2; do
        "$tool" --scale "$scale" "$@" "$out/editor-$name-${scale}x.png"
        echo "$out/editor-$name-${scale}x.png"
    done
}
shot normal --mode normal
shot compact --mode compact
shot layer-a --mode normal --layer a --routed
shot layer-b --mode normal --layer b --routed
shot modulator --mode normal --modulator 3 --curve --routed
shot matrix --mode normal --matrix --routed
shot compact-matrix --mode compact --matrix --routed
shot compact-master --mode compact --master-view --routed
shot steps --mode normal --modulator 1 --pattern
shot curve --mode normal --modulator 1 --curve --pattern
