#!/usr/bin/env bash
# Outline per input sample: the WebAssembly build under node against the native build, in
# turn, three times each (the figure in bench/RESULTS.md). Run after a build in build/.
set -euo pipefail
build="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build}"
for round in 1 2 3; do
  echo "native:      $("$build/bench/bench_outline_per_sample")"
  echo "WebAssembly: $(node "$build/wasm/outline_per_sample.js")"
done
