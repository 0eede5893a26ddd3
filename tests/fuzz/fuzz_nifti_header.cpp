// Feeds arbitrary bytes to the NIfTI-1/NIfTI-2 header parser and, when it
// takes them, to the geometry built from them: nothing it computes may crash
// or read past the bytes, and what it accepts is a header it can describe.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/nifti_header.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<NiftiHeader> header = ParseNiftiHeader(std::vector<uint8_t>(data, data + size));
  if (!header) return 0;
  Check(header->version == 1 || header->version == 2);
  if (!header->MatricesFinite()) return 0;
  double spacing[3];
  header->Directions(spacing);
  header->Origin();
  return 0;
}
