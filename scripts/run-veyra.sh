#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Veyra developers
#
# Installs what is missing, builds Veyra, makes a folder of sample photos (sideways, upside
# down and upright, as cameras store them) and opens Veyra on it.
#
#     scripts/run-veyra.sh [FOLDER]
#
# With a FOLDER, Veyra opens that folder instead of the samples. The build goes to build/
# (or $VEYRA_BUILD_DIR); the samples to build/sample-photos, made once: delete the folder to
# get fresh ones.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VEYRA_BUILD_DIR:-$root/build}"

# The installer checks first and calls sudo itself only when something is missing: a
# second run must not ask for a password.
if [ -f "$root/scripts/install-deps.sh" ]; then
    bash "$root/scripts/install-deps.sh"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target veyra veyra-samples veyra_help

folder="${1:-}"
if [ -z "$folder" ]; then
    folder="$build/sample-photos"
    if ! compgen -G "$folder/*.jpg" >/dev/null; then
        "$build/tests/tools/veyra-samples" "$folder" 24
    fi
fi

exec "$build/app/veyra" "$folder"
