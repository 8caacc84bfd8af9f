#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Veyra developers
#
# Installs what is missing, builds Veyra and runs the whole test suite (headless).
#   scripts/check.sh                 # build/ , RelWithDebInfo
#   VEYRA_SANITIZE=address scripts/check.sh   # build-address/ , ASan + UBSan
#   VEYRA_SANITIZE=thread  scripts/check.sh   # build-thread/ , TSan, threading suites only
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

sanitize="${VEYRA_SANITIZE:-}"
case "$sanitize" in
  "") preset=default build_dir=build ;;
  address) preset=asan build_dir=build-address ;;
  thread) preset=tsan build_dir=build-thread ;;
  *) echo "VEYRA_SANITIZE must be empty, 'address' or 'thread'" >&2; exit 2 ;;
esac
jobs="$(nproc)"

# The same presets as `cmake --preset NAME` (CMakePresets.json). ccache (installed above) makes
# rebuilds and other checkouts of the same sources cheap; paths are hashed relative to the
# folder above the checkout so that checkouts side by side share it.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
cmake --preset "$preset" -DCMAKE_CXX_COMPILER_LAUNCHER="$(command -v ccache || true)"
targets=()
if [ "$preset" = tsan ]; then
  # Only the threading suites run under ThreadSanitizer: build just those.
  mapfile -t targets < <(ctest --test-dir "$build_dir" -L threads -N | sed -n 's/^ *Test *#[0-9]*: //p')
fi
cmake --build --preset "$preset" -j "$jobs" ${targets[@]:+--target "${targets[@]}"}

# The sanitizers' options are set per test by tests/CMakeLists.txt; the tsan preset runs the
# suites labelled "threads".
ctest --preset "$preset" -j "$jobs"
