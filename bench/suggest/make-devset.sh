#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Veyra developers
#
# make-devset.sh [--held-out] OUT [SAMPLES] [SKIMAGE-GIT] [TESSTEST-GIT]
#
# Builds the development set of the upright suggestions into OUT: each upright original (see
# SOURCES.md for where each comes from and its licence) made upright by its own Orientation,
# stripped of all metadata, and written four times, turned clockwise by 0, 90, 180 and 270
# degrees, as CLASS__NAME__rTURN.jpg. Nothing is committed: the set is rebuilt from its sources.
#   SAMPLES       the shared sample photos (default: ../shared/samples beside the checkout)
#   SKIMAGE-GIT   a clone (or bare git dir) of github.com/scikit-image/scikit-image
#   TESSTEST-GIT  a clone (or bare git dir) of github.com/tesseract-ocr/test
# A source that is not given is cloned shallowly; one that cannot be had is left out.
# --held-out builds the other set instead: photos of the same sources that no threshold of the
# suggester was chosen on, to see how the figures hold on pictures it has not been tuned for.
set -euo pipefail

heldout=0
if [ "${1:-}" = --held-out ]; then
  heldout=1
  shift
fi

out=${1:?usage: make-devset.sh OUT [SAMPLES] [SKIMAGE-GIT] [TESSTEST-GIT]}
here=$(cd "$(dirname "$0")" && pwd)
samples=${2:-$here/../../../shared/samples}
skimage=${3:-}
tesstest=${4:-}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# CLASS NAME FILE: one upright original, written in its four turns.
add() {
  local class=$1 name=$2 file=$3
  [ -s "$file" ] || { echo "missing: $file" >&2; return 0; }
  local upright="$work/upright.png"
  # Flattened on white (the text pages have transparency), turned by its own tag, no metadata.
  convert "$file[0]" -auto-orient -background white -alpha remove -alpha off -strip "$upright"
  for turn in 0 90 180 270; do
    convert "$upright" -rotate "$turn" -strip -quality 92 "$out/${class}__${name}__r${turn}.jpg"
  done
}

# FROM-GIT-DIR PATH DEST: one file of a repository's newest commit.
from_git() {
  git --git-dir="$1" show "HEAD:$2" > "$3" 2>/dev/null || rm -f "$3"
}

git_dir() { # a clone's .git, a bare repository as it is, or a fresh shallow clone
  local given=$1 url=$2 name=$3
  if [ -n "$given" ]; then
    if [ -d "$given/.git" ]; then echo "$given/.git"; else echo "$given"; fi
  elif git clone -q --bare --depth 1 "$url" "$work/$name" 2>/dev/null; then
    echo "$work/$name"
  fi
}

heldout_set() {
  local camera=$samples/camera
  add other feather "$camera/Fujifilm_FinePix_E500.jpg"
  add people office "$camera/Konica_Minolta_DiMAGE_Z3.jpg"
  add other lizard-leaves "$camera/Nikon_D70.jpg"
  add other drawing "$camera/PaintTool_sample.jpg"
  add other leaf "$camera/jolla.jpg"
  add people soldiers "$camera/long_description.jpg"
  local sk tt f ext
  sk=$(git_dir "$skimage" https://github.com/scikit-image/scikit-image.git skimage || true)
  if [ -n "$sk" ]; then
    for f in coins moon grass gravel horse hubble_deep_field retina ihc clock_motion bw_text; do
      for ext in png jpg; do
        for dir in src/_skimage2/data skimage/data; do
          [ -s "$work/sk-$f" ] || from_git "$sk" "$dir/$f.$ext" "$work/sk-$f"
        done
      done
      case $f in
        bw_text) add text "sk-$f" "$work/sk-$f" ;;
        *) add other "sk-$f" "$work/sk-$f" ;;
      esac
    done
  fi
  tt=$(git_dir "$tesstest" https://github.com/tesseract-ocr/test.git tesstest || true)
  if [ -n "$tt" ]; then
    for f in hebtypo.jpg arabic.tif viet.tif raaj.tif trainingtimes.tif HelloGoogle.tif \
      8087_054.3B.tif; do
      from_git "$tt" "testing/$f" "$work/tt-$f"
      add text "tess-${f%.*}" "$work/tt-$f"
    done
  fi
}

dev_set() {
# The shared camera samples, by what they show (the others are close-ups, animals, objects).
camera=$samples/camera
while read -r class name file; do
  add "$class" "$name" "$camera/$file"
done <<'LIST'
people woman-desk Kodak_CX7530.jpg
people wedding canon-ixus.jpg
people party kodak-dc210.jpg
people beach sony-cybershot.jpg
people shop sony-d700.jpg
text tape-label Sony_HDR-HC3.jpg
text inscription Panasonic_DMC-FZ30.jpg
landscape lighthouse 28-hex_value.jpg
landscape garden 36-memory_error.jpg
landscape snow-car 45-gps_ifd.jpg
landscape village DSCN0010.jpg
landscape park DSCN0021.jpg
landscape sea HMD_Nokia_8.3_5G.jpg
landscape snow-forest Reconyx_HC500_Hyperfire.jpg
landscape sunset Ricoh_Caplio_RR330.jpg
landscape mountain olympus-c960.jpg
landscape harbour sanyo-vpcg250.jpg
indoor car-seats 22-canon_tags.jpg
indoor painting Samsung_Digimax_i50_MP3.jpg
indoor chandelier canon_hdr_NO.jpg
indoor griddle fujifilm-dx10.jpg
indoor carpet-dog kodak-dc240.jpg
indoor bag olympus-d320l.jpg
indoor plant ricoh-rdc5300.jpg
indoor salad sanyo-vpcsx550.jpg
indoor pumpkin sony-powershota5.jpg
other truck 32-lens_data.jpeg
other iguana Canon_40D.jpg
other lizard Canon_40D_photoshop_import.jpg
other motorbike Canon_DIGITAL_IXUS_400.jpg
other flower Canon_PowerShot_S40.jpg
other leaves Fujifilm_FinePix6900ZOOM.jpg
other bus Nikon_COOLPIX_P1.jpg
other lionfish Olympus_C8080WZ.jpg
other rose Pentax_K10D.jpg
other door WWL_(Polaroid)_ION230.jpg
other dog fujifilm-finepix40i.jpg
other starfish fujifilm-mx1700.jpg
other lilac iphone_hdr_NO.jpg
other cannon nikon-e950.jpg
LIST
add landscape orientation-sample "$samples/orientation/Landscape_1.jpg"

sk=$(git_dir "$skimage" https://github.com/scikit-image/scikit-image.git skimage || true)
if [ -n "$sk" ]; then
  for f in astronaut camera coffee page text chelsea motorcycle_left rocket brick; do
    for ext in png jpg; do
      for dir in src/_skimage2/data skimage/data; do
        [ -s "$work/sk-$f" ] || from_git "$sk" "$dir/$f.$ext" "$work/sk-$f"
      done
    done
  done
  add people astronaut "$work/sk-astronaut"
  add people cameraman "$work/sk-camera"
  add text page "$work/sk-page"
  add text corner-text "$work/sk-text"
  add indoor coffee "$work/sk-coffee"
  add indoor motorcycle "$work/sk-motorcycle_left"
  add landscape rocket "$work/sk-rocket"
  add other cat "$work/sk-chelsea"
  add other brick "$work/sk-brick"
fi

tt=$(git_dir "$tesstest" https://github.com/tesseract-ocr/test.git tesstest || true)
if [ -n "$tt" ]; then
  for f in phototest.tif eurotext.tif devatest.png hebrew.png deslant.tif; do
    from_git "$tt" "testing/$f" "$work/tt-$f"
    add text "tess-${f%.*}" "$work/tt-$f"
  done
fi
}

if [ "$heldout" = 1 ]; then heldout_set; else dev_set; fi
echo "$(find "$out" -name '*.jpg' | wc -l) photos in $out"
