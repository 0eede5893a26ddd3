#!/bin/bash
# Installs what is missing, builds, and runs every test: unit, GL and
# end-to-end tests, the unit tests again under ASan+UBSan (and the hostile
# volume files through the viewer built so), and a short fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_packages "${TEST_PACKAGES[@]}"
jobs=$(nproc)
status=0

echo "== build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"

echo "== unit, GL and end-to-end tests"
ctest --test-dir build -j"$jobs" --output-on-failure || status=1

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVOLVIEW_SANITIZE=ON -DVOLVIEW_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan -L unit -j"$jobs" --output-on-failure || status=1
echo "== hostile volume files and inputs through the viewer built with the sanitizers"
(cd tests/e2e && VOLVIEW_RUN_DIR="$PWD/../../build-asan/run" VOLVIEW_INFO_RUNS=200 /usr/bin/python3 -m unittest \
  test_volume_corpora.CorpusTest.test_each_hostile_file_refused_in_one_line_within_5_s_and_1_gb test_refusals) || status=1

echo "== fuzzing"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVOLVIEW_FUZZ=ON -DVOLVIEW_TESTS=OFF -DVOLVIEW_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_tga fuzz_raw fuzz_transfer_map fuzz_volume_raw \
  fuzz_nifti_header fuzz_volume_claims fuzz_dicom_checks fuzz_preset fuzz_state_file
tests/fuzz/run_fuzz.sh build-fuzz 30 || status=1

exit $status
