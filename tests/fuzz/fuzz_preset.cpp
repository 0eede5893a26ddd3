// Feeds arbitrary files to the preset reader: it refuses one in one line, or
// gives a description safe for a terminal and a table of colours and
// opacities within 0..1 over any window.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/transfer_preset.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const MemoryFile file(data, size);
  TransferPreset preset;
  try {
    preset = ReadTransferPreset(file.Path());
  } catch (const TransferFileError& error) {
    Check(std::string(error.what()).find('\n') == std::string::npos);
    return 0;
  }
  for (unsigned char c : preset.description) Check(c >= 0x20 && c != 0x7f);
  std::vector<float> table(1024);
  FillPresetTable(preset, -1000, 3000, table.data());
  for (float v : table) Check(v >= 0.0f && v <= 1.0f);
  return 0;
}
