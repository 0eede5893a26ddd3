// Builds a well-formed DICOM file around fuzzed values of the elements the
// pre-checks read (rows, columns, samples, bits, frames, the frame pointer
// of a dose grid, the pixel data's declared and real length) and runs the
// checks on it: the file passes, as itself or as a
// repaired copy, or is refused in one line naming it. (GDCM's own parser is
// not the target: on malformed files it may abort, which the reading child
// reports.)
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/dicom_checks.h"
#include "files/volume_file.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& out, uint32_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

// An explicit-VR little-endian element; text values are padded to an even length.
void Element(Bytes& out, uint16_t group, uint16_t element, const char* vr, Bytes value) {
  if (value.size() % 2) value.push_back(vr[0] == 'U' && vr[1] == 'I' ? 0 : ' ');
  Put16(out, group);
  Put16(out, element);
  out.insert(out.end(), {uint8_t(vr[0]), uint8_t(vr[1])});
  const std::string wide = vr;
  if (wide == "OB" || wide == "OW") {
    Put16(out, 0);
    Put32(out, static_cast<uint32_t>(value.size()));
  } else {
    Put16(out, static_cast<uint32_t>(value.size()));
  }
  out.insert(out.end(), value.begin(), value.end());
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Short(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fuzz(data, size);
  // Native pixel data: encapsulated data is measured by its decoder.
  const std::string syntax = "1.2.840.10008.1.2.1";
  const bool dose = fuzz.ConsumeBool();
  const bool counted = fuzz.ConsumeBool();
  const uint16_t samples = fuzz.ConsumeIntegralInRange<uint16_t>(0, 4);
  const bool subsampled = fuzz.ConsumeBool();
  const uint16_t rows = fuzz.ConsumeIntegral<uint16_t>();
  const uint16_t columns = fuzz.ConsumeIntegral<uint16_t>();
  const uint16_t bits = fuzz.ConsumeIntegralInRange<uint16_t>(0, 64);
  const std::string frames = std::to_string(fuzz.ConsumeIntegralInRange<int64_t>(-2, 100000));
  const uint32_t beyond = fuzz.ConsumeBool() ? fuzz.ConsumeIntegralInRange<uint32_t>(0, 0x7fff0000) : 0;
  Bytes pixels = fuzz.ConsumeBytes<uint8_t>(fuzz.ConsumeIntegralInRange<size_t>(0, 1 << 16));
  if (pixels.size() % 2) pixels.pop_back();
  // The declared length reaches the file's end or beyond: bytes after the
  // pixel data would be more elements, GDCM's to parse.
  const uint32_t declared = static_cast<uint32_t>(pixels.size()) + beyond * 2;

  Bytes meta;
  Element(meta, 0x0002, 0x0001, "OB", {0, 1});
  Element(meta, 0x0002, 0x0002, "UI", Text("1.2.840.10008.5.1.4.1.1.2"));
  Element(meta, 0x0002, 0x0003, "UI", Text("1.2.3.4"));
  Element(meta, 0x0002, 0x0010, "UI", Text(syntax));
  Bytes file(128, 0);
  file.insert(file.end(), {'D', 'I', 'C', 'M'});
  Bytes length;
  Put32(length, static_cast<uint32_t>(meta.size()));
  Element(file, 0x0002, 0x0000, "UL", length);
  file.insert(file.end(), meta.begin(), meta.end());
  Element(file, 0x0008, 0x0016, "UI", Text("1.2.840.10008.5.1.4.1.1.2"));
  Element(file, 0x0008, 0x0060, "CS", Text(dose ? "RTDOSE" : "CT"));
  Element(file, 0x0028, 0x0002, "US", Short(samples));
  Element(file, 0x0028, 0x0004, "CS", Text(subsampled ? "YBR_FULL_422" : "MONOCHROME2"));
  if (counted) Element(file, 0x0028, 0x0008, "IS", Text(frames));
  if (dose) Element(file, 0x0028, 0x0009, "AT", {0x04, 0x30, 0x0c, 0x00});
  Element(file, 0x0028, 0x0010, "US", Short(rows));
  Element(file, 0x0028, 0x0011, "US", Short(columns));
  Element(file, 0x0028, 0x0100, "US", Short(bits));
  if (dose) Element(file, 0x3004, 0x000c, "DS", Text("0\\2\\4"));
  // The pixel data's header with its declared length, then what the file really holds.
  Put16(file, 0x7fe0);
  Put16(file, 0x0010);
  file.insert(file.end(), {'O', 'W', 0, 0});
  Put32(file, declared);
  file.insert(file.end(), pixels.begin(), pixels.end());

  const MemoryFile dicom(file.data(), file.size());
  try {
    const std::string path = CheckDicomFile("fuzz", dicom.Path());
    Check(!path.empty());
    if (path != dicom.Path()) close(std::stoi(path.substr(path.rfind('/') + 1)));  // a repaired copy
  } catch (const VolumeFileError& error) {
    Check(std::string(error.what()).rfind("fuzz: ", 0) == 0);
  }
  return 0;
}
