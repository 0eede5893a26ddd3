#include "files/volume_info.h"

#include <cstdio>

#include "files/escaped_name.h"
#include "files/volume_space.h"

namespace {

std::string Format(const char* format, double a, double b, double c) {
  char text[1024];  // "%.1f" of the largest double is 312 characters
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// "R -90.0..90.0": never "-0.0", which would only say the rounding's sign.
std::string Range(char letter, double low, double high) {
  auto number = [](double value) {
    std::string text = Format("%.1f", value, 0, 0);
    return text == "-0.0" ? "0.0" : text;
  };
  return std::string(1, letter) + " " + number(low) + ".." + number(high);
}

std::string Sizes(const std::array<int64_t, 3>& sizes) {
  return std::to_string(sizes[0]) + " x " + std::to_string(sizes[1]) + " x " + std::to_string(sizes[2]);
}

}  // namespace

std::string VolumeInfoText(const std::string& path, const VolumeInfo& info,
                           const IntensityWindow& defaultWindow) {
  std::string text = "File: " + EscapedName(path) + "\n";
  text += "Format: " + info.format + "\n";
  // Sizes and spacing as the file stores them, so they agree with the file's
  // orientation code and with what other tools print.
  std::array<int64_t, 3> fileSizes{};
  std::array<double, 3> fileSpacing{};
  for (int c = 0; c < 3; ++c) {
    fileSizes[info.mapping.fileAxis[c]] = info.sizes[c];
    fileSpacing[info.mapping.fileAxis[c]] = info.spacing[c];
  }
  if (info.resampledFrom) {
    fileSizes = info.resampledFrom->sizes;
    fileSpacing = info.resampledFrom->spacing;
  }
  text += "Dimensions: " + Sizes(fileSizes);
  text += info.frames > 1 ? " (" + std::to_string(info.frames) + " frames)\n" : "\n";
  text += std::string("Voxel type: ") + VoxelTypeName(info.fileType) + "\n";
  text += Format("Spacing: %g x %g x %g\n", fileSpacing[0], fileSpacing[1], fileSpacing[2]);
  text += "Orientation: " + info.orientation + "\n";
  text += "Shown as: " + Sizes(info.sizes) + (info.anatomical ? " in L/P/S order\n" : " in x/y/z order\n");
  const RasBox extent = RasExtent(info);
  const char* letters = info.anatomical ? "RAS" : "xyz";
  text += info.anatomical ? "Extent (RAS mm): " : "Extent (mm): ";
  for (int p = 0; p < 3; ++p) text += Range(letters[p], extent.low[p], extent.high[p]) + (p < 2 ? ", " : "\n");
  text += Format("Value range: %g to %g\n", info.minimum, info.maximum, 0);
  text += Format("Default window: %g:%g\n", defaultWindow.low, defaultWindow.high, 0);
  if (!info.note.empty()) text += "Note: " + info.note + "\n";
  return text;
}
