#!/usr/bin/env bash
# Geometry benchmarks on the recorded strokes, next to perfect-freehand's getStroke (Node.js)
# on the same input samples. Prints per-sample times and the ratio ours / peer.
# The peer package is installed from npm into $BUILD/peer on first use.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-geom}
REPS=${REPS:-5}

cmake -S . -B "$BUILD" -G Ninja -DINKBOARD_CORE_ONLY=ON >/dev/null
flock /tmp/inkboard-build.lock nice cmake --build "$BUILD" -j2 --target bench_geometry >/dev/null

PEER="$BUILD/peer"
if [ ! -d "$PEER/node_modules/perfect-freehand" ]; then
  mkdir -p "$PEER"
  (cd "$PEER" && { [ -f package.json ] || npm init -y >/dev/null; } &&
    npm install --no-audit --no-fund --silent perfect-freehand@1.2.3 >/dev/null)
fi

"$BUILD/bench/bench_geometry" --benchmark_repetitions="$REPS" \
  --benchmark_out="$BUILD/bench_geometry.json" --benchmark_out_format=json \
  --benchmark_display_aggregates_only=true >/dev/null 2>"$BUILD/bench_geometry.log"
node bench/geometry/peer/perfect-freehand-bench.mjs "$PEER" testdata/strokes >"$BUILD/peer.json"
node bench/geometry/peer/compare.mjs "$BUILD/bench_geometry.json" "$BUILD/peer.json"
