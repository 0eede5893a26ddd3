// Feeds arbitrary text to the saved-view parser: it refuses it with a
// StateFileError or sets options a viewer can start from (the volume named,
// values within their options' own bounds).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "app/state_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ViewerOptions options;
  try {
    ApplyStateText(std::string(reinterpret_cast<const char*>(data), size), "/fuzz/view.json", {}, options);
  } catch (const StateFileError&) {
    return 0;
  }
  Check(!options.volume.empty());
  Check(std::isfinite(options.camera.zoom) && options.camera.zoom > 0);
  return 0;
}
