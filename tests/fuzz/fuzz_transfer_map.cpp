// Feeds arbitrary text to the colour-map parser: it either refuses the map
// and leaves the table alone, or fills it with values in -1..1 that survive
// a write and a read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "files/transfer_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  float table[256][4];
  for (int i = 0; i < 256; ++i) table[i][0] = table[i][1] = table[i][2] = table[i][3] = 0.5f;
  try {
    ParseTransferMap(text, -1000.0, 3000.0, &table[0][0]);
  } catch (const TransferMapError&) {
    for (int i = 0; i < 1024; ++i) {
      if ((&table[0][0])[i] != 0.5f) __builtin_trap();
    }
    return 0;
  }
  for (int i = 0; i < 1024; ++i) {
    const float v = (&table[0][0])[i];
    if (!(v >= -1.0f && v <= 1.0f)) __builtin_trap();
  }
  float again[256][4];
  ParseTransferMap(FormatTransferMap(&table[0][0], -1000.0, 3000.0), -1000.0, 3000.0, &again[0][0]);
  if (std::memcmp(table, again, sizeof table) != 0) __builtin_trap();
  return 0;
}
