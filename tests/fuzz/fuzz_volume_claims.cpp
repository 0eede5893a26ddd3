// Feeds arbitrary files to the checks that measure a header's claims against
// its file (NRRD, MetaImage, VTK, NIfTI): each passes or refuses in one
// VolumeFileError, never crashes, hangs or reads beyond what it opened. The
// first byte picks the format ITK would have named and the claimed size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/volume_complete.h"
#include "files/volume_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kFormats[] = {"NRRD", "MetaImage", "VTK", "NIfTI"};
  const char* format = kFormats[data[0] % 4];
  const uint64_t values = uint64_t{1} << (data[0] / 4 % 12);
  const MemoryFile file(data + 1, size - 1);
  try {
    CheckHeaderSane("fuzz", file.Path());
    CheckFileComplete("fuzz", file.Path(), format, values * 2, values);
    FindRawSpan(file.Path(), format, values * 2, 2);
  } catch (const VolumeFileError&) {
  }
  return 0;
}
