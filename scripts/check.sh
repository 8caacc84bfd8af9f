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
build_dir="build${sanitize:+-$sanitize}"
jobs="$(nproc)"

# ccache (installed above) makes rebuilds and other checkouts of the same sources cheap; paths
# are hashed relative to the folder above the checkout so that checkouts side by side share it.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER_LAUNCHER="$(command -v ccache || true)" \
  -DVEYRA_SANITIZE="$sanitize" \
  $( [ -n "$sanitize" ] && echo -DVEYRA_BUILD_BENCH=OFF )
targets=()
if [ "$sanitize" = thread ]; then
  # Only the threading suites run under ThreadSanitizer: build just those.
  mapfile -t targets < <(ctest --test-dir "$build_dir" -L threads -N | sed -n 's/^ *Test *#[0-9]*: //p')
fi
cmake --build "$build_dir" -j "$jobs" ${targets[@]:+--target "${targets[@]}"}

ctest_args=(--test-dir "$build_dir" --output-on-failure -j "$jobs")
# The sanitizers' options are set per test by tests/CMakeLists.txt.
if [ "$sanitize" = thread ]; then
  ctest_args+=(-L threads)
fi
ctest "${ctest_args[@]}"
