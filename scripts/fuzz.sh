#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Veyra developers
#
# Runs one fuzz target for a while:  scripts/fuzz.sh TARGET [SECONDS]   (default 60)
# Targets: exif, markers, thumbnail, turn. Builds them with clang, libFuzzer, AddressSanitizer
# and UBSan into build-fuzz/, seeds the corpus with the test writer's files and the target's
# regression inputs (tests/fuzz/TARGET/), and fails when the fuzzer finds anything: the input
# is then in build-fuzz/findings/TARGET/, ready to become a regression file.
set -euo pipefail
cd "$(dirname "$0")/.."

target="${1:?usage: scripts/fuzz.sh TARGET [SECONDS]}"
seconds="${2:-60}"
case "$target" in
  exif|markers|thumbnail|turn) ;;
  *) echo "unknown target '$target' (exif, markers, thumbnail, turn)" >&2; exit 2 ;;
esac

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz >/dev/null # clang, libFuzzer, ASan + UBSan into build-fuzz/
fi
cmake --build "$build" -j "$(nproc)" --target "fuzz_$target" veyra-fuzzseeds

corpus="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$corpus" "$findings"
if [ -z "$(ls -A "$corpus")" ]; then
  "$build/fuzz/veyra-fuzzseeds" "$corpus"
  cp tests/fuzz/"$target"/* "$corpus"/ 2>/dev/null || true
fi

# A unit that takes seconds or holds gigabytes is a finding too: hostile photos must be
# refused quickly and cheaply.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen
"$build/fuzz/fuzz_$target" "$corpus" -max_total_time="$seconds" -max_len=65536 \
  -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1 \
  -artifact_prefix="$findings/" 2>&1 | tail -n 25
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
  echo "fuzz_$target found something: see $findings/" >&2
fi
exit "$status"
