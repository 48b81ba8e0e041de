#!/usr/bin/env bash
# A brief fuzz run of the page loader and the crash journal, for the test run:
#   fuzz/run-short.sh [seconds]        (default 60: a quarter each for raw bytes, fragments,
#                                      pages run through the document and journals replayed;
#                                      another quarter each for material files and for the
#                                      room's records played into a shared board)
# Builds the fuzz targets when needed, fuzzes from the stored seeds and regression
# inputs plus the corpus kept from earlier runs, and exits non-zero on a crash, a
# sanitizer report, a broken check inside the target, an input slower than 10 s or more
# than 2 GB of memory. What it finds is left in build-fuzz/artifacts/; copy it into
# testdata/pages/regressions/ with a name that says what it does.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"

"$root/fuzz/build.sh" "$out" || exit 1

mkdir -p "$out/corpus" "$out/corpus-tokens" "$out/corpus-drawing" "$out/corpus-journal" \
  "$out/corpus-material" "$out/corpus-records" "$out/artifacts"
common=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/artifacts/")
tokens_seconds=$((seconds / 4))
drawing_seconds=$((seconds / 4))
journal_seconds=$((seconds / 4))
failed=0
run() {  # name, log, arguments...
  local name="$1" log="$2"
  shift 2
  if ! "$out/$name" "${common[@]}" "$@" >"$log" 2>&1; then
    echo "$name FAILED; log: $log"
    grep -E "ERROR|oracle violated|SUMMARY|Test unit written" "$log" | head -20
    failed=1
  else
    echo "$name: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") inputs, no failure"
  fi
}
run fuzz_page "$out/run-short.log" -dict="$root/fuzz/xml.dict" -max_len=4096 \
  -max_total_time=$((seconds - tokens_seconds - drawing_seconds - journal_seconds)) \
  "$out/corpus" "$root/testdata/pages/seeds" "$root/testdata/pages/regressions"
run fuzz_tokens "$out/run-short-tokens.log" -max_len=512 -max_total_time="$tokens_seconds" \
  "$out/corpus-tokens"
run fuzz_drawing "$out/run-short-drawing.log" -dict="$root/fuzz/xml.dict" -max_len=4096 \
  -max_total_time="$drawing_seconds" \
  "$out/corpus-drawing" "$root/testdata/pages/seeds" "$root/testdata/pages/regressions"
run fuzz_journal "$out/run-short-journal.log" -max_len=4096 -max_total_time="$journal_seconds" \
  "$out/corpus-journal" "$root/testdata/journals/seeds" "$root/testdata/journals/regressions"
# The material reader: a short run of its own on top (the toolkit's readers are slow).
# Leaks are not looked for here: fontconfig keeps its caches for the process's life.
ASAN_OPTIONS=detect_leaks=0 run fuzz_material "$out/run-short-material.log" -max_len=8192 -max_total_time=$((seconds / 4)) \
  -detect_leaks=0 \
  "$out/corpus-material" "$root/testdata/material/seeds"
run fuzz_records "$out/run-short-records.log" -max_len=4096 -max_total_time=$((seconds / 4)) \
  "$out/corpus-records" "$root/testdata/records/seeds"
exit $failed
