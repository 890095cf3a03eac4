#!/bin/bash
# Renders every module alone, the default and the full patch (the bench's cases, saved as
# state chunks by morvex-bench) through the SSE2 plug-in of BUILD and the scalar plug-in of
# SCALAR_BUILD (MORVEX_SCALAR_DSP=ON), and fails unless the two agree within TOLERANCE
# (largest absolute sample difference; default 0: both forms compute the same IEEE single
# operations per lane, so they are expected to agree bit for bit).
#
# Usage: scripts/scalar-parity.sh BUILD SCALAR_BUILD [TOLERANCE]
set -eu
build=$1
scalar=$2
tolerance=${3:-0}
work="$scalar/parity"
rm -rf "$work"
mkdir -p "$work/chunks" "$work/sse2" "$work/scalar"
"$build/morvex-bench" --save-chunks "$work/chunks" >/dev/null
for chunk in "$work"/chunks/*.chunk; do
    name=$(basename "$chunk" .chunk)
    for form in sse2 scalar; do
        dir=$build
        [ "$form" = scalar ] && dir=$scalar
        "$dir/morvex-render" --plugin "$dir/Morvex.so" --chunk-in "$chunk" --tail 1 \
            -o "$work/$form/$name.wav" >/dev/null
    done
done
python3 - "$work/sse2" "$work/scalar" "$tolerance" <<'PYTHON'
import os, struct, sys

def samples(path):
    data = open(path, "rb").read()
    at = 12
    while at < len(data):
        size = struct.unpack("<I", data[at + 4:at + 8])[0]
        if data[at:at + 4] == b"data":
            body = data[at + 8:at + 8 + size]
            return struct.unpack("<%df" % (len(body) // 4), body)
        at += 8 + size + (size & 1)
    sys.exit("no sample data in " + path)

sse2, scalar, tolerance = sys.argv[1], sys.argv[2], float(sys.argv[3])
failed = 0
for name in sorted(os.listdir(sse2)):
    a, b = samples(os.path.join(sse2, name)), samples(os.path.join(scalar, name))
    worst = max((abs(x - y) for x, y in zip(a, b)), default=0.0) if len(a) == len(b) else float("inf")
    ok = worst <= tolerance
    failed += not ok
    print("%-45s %s (largest difference %.3g)" % (name, "same" if ok else "DIFFERENT", worst))
print("scalar parity: %d of %d renders within %g" % (len(os.listdir(sse2)) - failed,
                                                      len(os.listdir(sse2)), tolerance))
sys.exit(1 if failed else 0)
PYTHON
