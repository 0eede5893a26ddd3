// Feeds arbitrary text to the colour-map parser: it either refuses the map
// and leaves the table alone, or fills it with values in 0..1 that survive
// a write and a read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "files/transfer_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<float> table(1024, 0.5f);
  try {
    ParseTransferMap(std::string(reinterpret_cast<const char*>(data), size), -1000, 3000, table.data());
  } catch (const TransferMapError&) {
    Check(table == std::vector<float>(1024, 0.5f));
    return 0;
  }
  for (float v : table) Check(v >= 0.0f && v <= 1.0f);
  std::vector<float> again(1024);
  ParseTransferMap(FormatTransferMap(table.data(), -1000, 3000), -1000, 3000, again.data());
  Check(std::memcmp(table.data(), again.data(), 4096) == 0);
  return 0;
}
