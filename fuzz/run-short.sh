#!/usr/bin/env bash
# A brief fuzz run of the page loader, for the test run:
#   fuzz/run-short.sh [seconds]        (default 45)
# Builds build-fuzz/fuzz_page when needed, fuzzes from the stored seeds and regression
# inputs plus the corpus it kept from earlier runs, and exits non-zero on a crash, a
# sanitizer report, a broken check inside the target, an input slower than 10 s or more
# than 2 GB of memory. What it finds is left in build-fuzz/artifacts/; copy it into
# testdata/pages/regressions/ with a name that says what it does.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-45}"

"$root/fuzz/build.sh" "$out" || exit 1
mkdir -p "$out/artifacts"

mkdir -p "$out/corpus" "$out/artifacts"
log="$out/run-short.log"
"$out/fuzz_page" -dict="$root/fuzz/xml.dict" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
  "$out/corpus" "$root/testdata/pages/seeds" "$root/testdata/pages/regressions" >"$log" 2>&1
status=$?
if [ $status -ne 0 ]; then
  echo "fuzz_page FAILED (exit $status); log: $log"
  grep -E "ERROR|oracle violated|SUMMARY|Test unit written" "$log" | head -20
  exit 1
fi
echo "fuzz_page: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') inputs in ${seconds} s, no failure"
