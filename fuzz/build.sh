#!/usr/bin/env bash
# Builds the page-loader fuzz targets fuzz_page (raw bytes) and fuzz_tokens (XML
# fragments) with libFuzzer, AddressSanitizer and UBSan:
#   fuzz/build.sh [build-dir]          (default: build-fuzz at the repository root)
# Needs clang with its runtime libraries (Debian: clang, libclang-rt-dev) and pugixml.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/build-fuzz}"
mkdir -p "$out"
cxx="${CXX_FUZZ:-$(command -v clang++ || command -v clang++-14)}"
sources=("$root"/src/io/*.cpp)
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$root/src" $(pkg-config --cflags pugixml))
lock=()
command -v flock >/dev/null && lock=(flock /tmp/inkboard-build.lock)
# The material target reads files with the toolkit and Poppler (prebuilt, so not guided
# inside), through the importer's checks and the background drawing.
qt=(Qt6Gui Qt6Svg poppler-qt6)
for target in fuzz_page fuzz_tokens fuzz_drawing fuzz_journal fuzz_records fuzz_material; do
  target_sources=("${sources[@]}")
  # The document target runs loaded pages through the whole display-free core.
  [ "$target" = fuzz_drawing ] || [ "$target" = fuzz_journal ] || [ "$target" = fuzz_records ] &&
    target_sources+=("$root"/src/geometry/*.cpp "$root"/src/brush/*.cpp "$root"/src/document/*.cpp)
  # The room's records are played into a shared board.
  [ "$target" = fuzz_records ] && target_sources+=("$root"/src/share/*.cpp)
  extra_flags=()
  extra_libs=()
  if [ "$target" = fuzz_material ]; then
    target_sources=("$root"/src/io/Material.cpp "$root"/src/io/Checksum.cpp "$root"/src/io/SafeFile.cpp
                    "$root"/src/io/PageStyle.cpp
                    "$root"/src/material/QtMaterialInspector.cpp "$root"/src/material/BackgroundSource.cpp)
    extra_flags=(-fPIC $(pkg-config --cflags "${qt[@]}"))
    extra_libs=($(pkg-config --libs "${qt[@]}"))
  fi
  # Rebuild only when a source is newer than the binary.
  if [ -x "$out/$target" ] && [ -z "$(find "${target_sources[@]}" "$root"/src/io/*.h "$root/src/material" "$root/src/geometry" \
          "$root/src/brush" "$root/src/document" "$root/src/share" \
          "$root/fuzz/$target.cpp" "$root/fuzz/PageOracle.h" "$root/fuzz/PageWhole.h" -newer "$out/$target" -print -quit)" ]; then
    continue
  fi
  # Compile under the machine's shared build lock when there is one.
  "${lock[@]}" nice "$cxx" "${flags[@]}" "${extra_flags[@]}" "${target_sources[@]}" "$root/fuzz/$target.cpp" \
    $(pkg-config --libs pugixml) "${extra_libs[@]}" -o "$out/$target.tmp"
  mv "$out/$target.tmp" "$out/$target"
  echo "built $out/$target"
done
