#!/usr/bin/env bash
# Builds the page-loader fuzz target with libFuzzer, AddressSanitizer and UBSan:
#   fuzz/build.sh [build-dir]          (default: build-fuzz at the repository root)
# Needs clang with its runtime libraries (Debian: clang, libclang-rt-dev) and TinyXML.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/build-fuzz}"
mkdir -p "$out"
cxx="${CXX_FUZZ:-$(command -v clang++ || command -v clang++-14)}"
sources=("$root"/src/io/*.cpp "$root/fuzz/fuzz_page.cpp")
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$root/src" $(pkg-config --cflags tinyxml))
# Rebuild only when a source is newer than the binary.
if [ -x "$out/fuzz_page" ] && [ -z "$(find "${sources[@]}" "$root"/src/io/*.h "$root/src/geometry" \
        -newer "$out/fuzz_page" -print -quit)" ]; then
  exit 0
fi
# Compile under the machine's shared build lock when there is one.
lock=()
command -v flock >/dev/null && lock=(flock /tmp/inkboard-build.lock)
"${lock[@]}" nice "$cxx" "${flags[@]}" "${sources[@]}" $(pkg-config --libs tinyxml) \
  -o "$out/fuzz_page.tmp"
mv "$out/fuzz_page.tmp" "$out/fuzz_page"
echo "built $out/fuzz_page"
