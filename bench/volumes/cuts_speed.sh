#!/bin/bash
# What the slice views and cuts cost a full-detail composite frame, in one
# run: the viewer before they existed (OLD_RUN_DIR, optional) and now in the
# default 3D layout, in quad (its 3D pane has a quarter of the pixels; the
# slice panes are drawn too), with each cut on its own, all of them, and a
# crop to a quarter of the volume, on the CT sample and a 256^3 MR-like
# phantom. Both builds get the same preset, and today's build the old
# start view's framing (from a saved view), so that they draw the same
# pixels; "fitted" is today's default framing. Runs interleave so a
# busy machine slows every variant alike; each figure is the median of RUNS
# --benchmark medians.
#   bench/volumes/cuts_speed.sh [RUN_DIR] [RUNS] [OLD_RUN_DIR]   (needs Xvfb or a display)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
run=$(cd "${1:-$here/../../build/run}" && pwd)
runs=${2:-5}
old=${3:-}
frames=24
mr=/tmp/volview_bench_mr256.nii.gz
if [ ! -e "$mr" ]; then
  /usr/bin/python3 - "$mr" <<'PY'
import sys, numpy as np, nibabel as nib
# A head-like phantom: skull shell, brain with grey/white texture, noise.
n = 256
z, y, x = np.mgrid[:n, :n, :n].astype(np.float32) / n - 0.5
r = np.sqrt(x**2 + (y * 1.2)**2 + (z * 1.1)**2)
rng = np.random.default_rng(1)
brain = 300 + 120 * np.sin(40 * x) * np.cos(37 * y) * np.sin(33 * z)
data = np.where(r < 0.38, brain, 0) + np.where((r >= 0.38) & (r < 0.42), 700, 0) + rng.normal(0, 15, r.shape)
nib.save(nib.Nifti1Image(np.clip(data, 0, None).astype(np.int16), np.diag([1, 1, 1, 1])), sys.argv[1])
PY
fi
cd "$run"
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
full_ms() {  # program volume options... -> the full-detail median of one --benchmark run
  local program=$1; shift
  "$program" "$@" --benchmark $frames 2>/dev/null | sed -n 's/^Full detail: median \([0-9.]*\) ms.*/\1/p'
}
order="off fitted quad crop clip caps-off all quarter"
declare -A presets=([samples/ct.nrrd]=ct-skin-bone [$mr]=mr-default)
unframed=$(mktemp --suffix=.json)
picture=$(mktemp --suffix=.png)
trap 'rm -f "$unframed" "$picture"' EXIT
for volume in samples/ct.nrrd "$mr"; do
  preset=${presets[$volume]}
  # A saved view of the default one, framed as before the start view was fitted.
  ./volview "$volume" --preset "$preset" --save-state "$unframed" --screenshot "$picture" >/dev/null
  /usr/bin/python3 - "$unframed" <<'PY'
import json, sys
state = json.load(open(sys.argv[1]))
state["camera"].update(fit=144.33756729740645, pivot=[0, 0, 0], pan=[0, 0])
json.dump(state, open(sys.argv[1], "w"))
PY
  # Cuts through the volume's centre, from the extent --info prints.
  read -r mx my mz < <(./volview "$volume" --info |
    sed -n 's/^Extent ([A-Z ]*mm): [A-Za-z] \([-0-9.]*\)\.\.\([-0-9.]*\), [A-Za-z] \([-0-9.]*\)\.\.\([-0-9.]*\), [A-Za-z] \([-0-9.]*\)\.\.\([-0-9.]*\)$/\1 \2 \3 \4 \5 \6/p' |
    awk '{print ($1 + $2) / 2, ($3 + $4) / 2, ($5 + $6) / 2}')
  clip="0,1,0.3,$(echo "$my + 0.3 * $mz" | bc -l)"
  declare -A cases=(
    [off]="--state $unframed"
    [fitted]="--preset $preset"
    [quad]="--state $unframed --layout quad"
    [crop]="--state $unframed --crop=$mx:,,"
    [clip]="--state $unframed --clip=$clip"
    [caps-off]="--state $unframed --clip=$clip --caps off"
    [all]="--state $unframed --crop=$mx:,, --clip=$clip --planes axial"
    [quarter]="--state $unframed --crop=$mx:,$my:,"
  )
  declare -A times=()
  for _ in $(seq "$runs"); do
    if [ -n "$old" ]; then
      times[old]+="$(cd "$old" && full_ms ./volview "$(cd "$run" && realpath "$volume")" --preset "$preset") "
    fi
    for name in $order; do
      # shellcheck disable=SC2086
      if [[ ${cases[$name]} == --state* ]]; then
        times[$name]+="$(full_ms ./volview ${cases[$name]}) "
      else
        times[$name]+="$(full_ms ./volview "$volume" ${cases[$name]}) "
      fi
    done
  done
  echo "== $(basename "$volume"), full-detail composite frame, median of $runs runs of $frames frames"
  off=$(echo "${times[off]}" | tr ' ' '\n' | grep . | median)
  if [ -n "$old" ]; then
    before=$(echo "${times[old]}" | tr ' ' '\n' | grep . | median)
    printf '%-10s %7.1f ms  (off: %.2f x before)\n' "before" "$before" "$(echo "scale=3; $off / $before" | bc)"
  fi
  for name in $order; do
    ms=$(echo "${times[$name]}" | tr ' ' '\n' | grep . | median)
    printf '%-10s %7.1f ms  %5.2f x off\n' "$name" "$ms" "$(echo "scale=3; $ms / $off" | bc)"
  done
  unset times
done
