#!/bin/bash
# Runs every fuzz target for a while from a copy of its seed corpus:
#   tests/fuzz/run_fuzz.sh <fuzz-build-dir> [seconds-per-target, default 30]
# Exits non-zero when a target crashes, keeping its log and inputs.
set -u
[ $# -ge 1 ] || { echo "usage: $0 <fuzz-build-dir> [seconds]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/volview-fuzz.XXXXXX)
status=0
for target in fuzz_tga fuzz_raw fuzz_transfer_map fuzz_volume_raw fuzz_nifti_header fuzz_volume_claims \
              fuzz_dicom_checks fuzz_preset fuzz_state_file; do
  binary=$(find "$1" -type f -name "$target" -perm -u+x | head -n 1)
  [ -n "$binary" ] || { echo "run_fuzz: $target not found under $1" >&2; status=1; continue; }
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  cp "$here/corpus/$target"/* "$work/$target/corpus/" 2>/dev/null
  if ! "$binary" -max_total_time="${2:-30}" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/$target/artifacts/" "$work/$target/corpus" > "$work/$target/log" 2>&1; then
    echo "run_fuzz: $target FAILED; log and inputs in $work/$target" >&2
    tail -n 40 "$work/$target/log" >&2
    status=1
  fi
done
[ $status -ne 0 ] || rm -rf "$work"
exit $status
