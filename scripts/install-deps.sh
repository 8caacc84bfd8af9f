#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Veyra developers
#
# Installs the Debian packages that building, testing and the project's tools need.
# Does nothing when every one of them is already there. Needs root (or sudo).
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev libgl-dev libturbojpeg0-dev libjpeg62-turbo-dev
  # upright suggestions: face detectors and their cascades, text orientation and its data
  libopencv-dev opencv-data libtesseract-dev tesseract-ocr-osd
  # tests: reference tools the suites compare against
  libjpeg-turbo-progs libimage-exiftool-perl
  # benchmarks: reference thumbnailer, reference batch turner
  libvips-tools exiftran
  # fuzzing: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-14-dev
  # packaging checks, screenshots, formatting
  desktop-file-utils appstream xvfb xauth imagemagick clang-format
  # Help > Contents opens the help through the desktop's opener
  xdg-utils
  # the bundled SVG icons (the icon engine plugin)
  libqt6svg6
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
