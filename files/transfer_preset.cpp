#include "files/transfer_preset.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

#include "transfer/initial_table.h"

namespace fs = std::filesystem;

namespace {

constexpr char kExtension[] = ".json";

// A grey ramp with a linear opacity: what a map leaves unsaid.
void FillRamp(float* table) {
  for (int i = 0; i < kTransferEntries; ++i) {
    for (int c = 0; c < 4; ++c) table[4 * i + c] = static_cast<float>(i) / (kTransferEntries - 1);
  }
}

// The "Description" of a map that ParseTransferMap accepted.
std::string Description(const std::string& text) {
  const nlohmann::json document = nlohmann::json::parse(text);
  const nlohmann::json& map = document.is_array() ? document.front() : document;
  if (!map.contains("Description")) return "";
  const nlohmann::json& description = map.at("Description");
  if (!description.is_string()) throw TransferMapError("Description is not a text");
  std::string line = description.get<std::string>();
  std::replace(line.begin(), line.end(), '\n', ' ');  // --preset list shows one line each
  return line;
}

}  // namespace

TransferPreset ReadTransferPreset(const std::string& path) {
  TransferPreset preset;
  preset.path = path;
  preset.name = fs::path(path).stem().string();
  preset.text = ReadTransferText(path);
  try {
    float table[kTransferEntries * 4];
    FillRamp(table);
    ParseTransferMap(preset.text, 0, 1, table);
    preset.description = Description(preset.text);
  } catch (const TransferMapError& error) {
    throw TransferFileError(path + ": " + error.what());
  }
  return preset;
}

PresetFolder ReadPresetFolder(const std::string& folder) {
  PresetFolder result;
  std::error_code error;
  std::vector<std::string> paths;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->path().extension() == kExtension) paths.push_back(it->path().string());
  }
  if (error) {
    result.warnings.push_back(folder + ": warning: no presets: " + error.message());
    return result;
  }
  std::sort(paths.begin(), paths.end());
  for (const std::string& path : paths) {
    try {
      result.presets.push_back(ReadTransferPreset(path));
    } catch (const TransferFileError& failure) {
      // "path: reason" becomes "path: warning: reason, preset skipped".
      const std::string reason = std::string(failure.what()).substr(path.size() + 2);
      result.warnings.push_back(path + ": warning: " + reason + ", preset skipped");
    }
  }
  return result;
}

std::string PresetPath(const std::string& folder, const std::string& name) {
  if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos) return "";
  const fs::path path = fs::path(folder) / (name + kExtension);
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error)) ? path.string() : "";
}

void FillPresetTable(const TransferPreset& preset, double low, double high, float* table) {
  FillRamp(table);
  ParseTransferMap(preset.text, low, high, table);
}
