#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Veyra developers
#
# Takes docs/screenshot.png: Veyra on the sample photos, on a virtual X server (Xvfb), with
# its settings kept in a temporary folder so that yours are not touched.
#
#     scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
work="$(mktemp -d /tmp/veyra.XXXXXX)"
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target veyra-screenshot veyra-samples

photos="$work/Pictures/Summer 2026"
"$build/tests/tools/veyra-samples" "$photos" 12 >/dev/null

display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done

mkdir -p "$work/config"
DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" \
    "$build/tests/e2e/veyra-screenshot" "$photos" "$root/docs/screenshot.png"
echo "wrote $root/docs/screenshot.png"
