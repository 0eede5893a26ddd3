#!/bin/bash
# The whole viewer opening the 512x512x400 int16 NRRD to its first frame
# (--screenshot), against ITK's bare read of the file plus the viewer's fixed
# start-up: the same run on a 256x256x200 file, which needs no reduction and
# fills the same texture, so only reading and reducing differ. All in one run.
#   bench/volumes/first_frame_volume.sh [BUILD_DIR] [RUNS]   (needs Xvfb)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
runs=${2:-3}
big=/tmp/volview_bench_512x512x400_int16.nrrd
fitted=/tmp/volview_bench_256x256x200_int16.nrrd
# Makes the file if needed and prints the bare read time.
report=$("$build/bench/volumes/open_volume_bench" /tmp "$runs")
echo "$report"
bare=$(echo "$report" | sed -n 's/^ITK read alone *\([0-9.]*\) s.*/\1/p')
seconds() {
  local start end
  start=$(date +%s.%N)
  "$build/run/volview" "$1" --screenshot /tmp/volview_bench_frame.png > /dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
cd "$build/run"
small=$(for _ in $(seq "$runs"); do seconds "$fitted"; done | median)
large=$(for _ in $(seq "$runs"); do seconds "$big"; done | median)
echo "ITK read alone $bare s; viewer start-up with the 256x256x200 file $small s"
echo "viewer to first frame of the large file $large s"
echo "ratio to read + start-up: $(echo "scale=2; $large / ($bare + $small)" | bc)"
