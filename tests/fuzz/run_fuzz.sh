#!/bin/bash
# Runs every fuzz target for a while from its seed corpus.
#   tests/fuzz/run_fuzz.sh <fuzz-build-dir> [seconds-per-target, default 30]
# Exits non-zero as soon as a target crashes; the crashing input is kept in
# a temporary directory whose name is printed.
set -u
if [ $# -lt 1 ]; then
  echo "usage: $0 <fuzz-build-dir> [seconds]" >&2
  exit 2
fi
build_dir=$1
seconds=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/volview-fuzz.XXXXXX)
status=0
for target in fuzz_tga fuzz_raw fuzz_transfer_map fuzz_volume_raw; do
  binary=$(find "$build_dir" -type f -name "$target" -perm -u+x | head -n 1)
  if [ -z "$binary" ]; then
    echo "run_fuzz: $target not found under $build_dir" >&2
    status=1
    continue
  fi
  # Work on a copy so new inputs do not land in the committed corpus.
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  cp "$here/corpus/$target"/* "$work/$target/corpus/"
  echo "run_fuzz: $target for ${seconds}s"
  if ! "$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/$target/artifacts/" "$work/$target/corpus" \
        > "$work/$target/log" 2>&1; then
    echo "run_fuzz: $target FAILED; log and inputs in $work/$target" >&2
    tail -n 40 "$work/$target/log" >&2
    status=1
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$target/log"
  fi
done
if [ $status -eq 0 ]; then rm -rf "$work"; fi
exit $status
