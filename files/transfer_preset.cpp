#include "files/transfer_preset.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

#include "files/escaped_name.h"

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
  return EscapedName(description.get<std::string>());  // --preset list shows one line each
}

// The checked map of the preset file at `path`, over [low, high].
std::string ReadPresetMap(const std::string& path, double low, double high, float* table) {
  std::string text = ReadTransferText(path, kMaxPresetBytes);
  try {
    FillRamp(table);
    ParseTransferMap(text, low, high, table);
  } catch (const TransferMapError& error) {
    throw TransferFileError(EscapedName(path) + ": " + error.what());
  }
  return text;
}

}  // namespace

TransferPreset ReadTransferPreset(const std::string& path) {
  TransferPreset preset;
  preset.path = path;
  preset.name = fs::path(path).stem().string();
  float table[kTransferEntries * 4];
  const std::string text = ReadPresetMap(path, 0, 1, table);
  try {
    preset.description = Description(text);
  } catch (const TransferMapError& error) {
    throw TransferFileError(EscapedName(path) + ": " + error.what());
  }
  return preset;
}

PresetFolder ReadPresetFolder(const std::string& folder) {
  PresetFolder result;
  std::error_code error;
  std::vector<std::string> paths;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string file = it->path().filename().string();
    // Hidden files (".json", "..json") could never be named with --preset.
    if (it->path().extension() == kExtension && file.front() != '.') paths.push_back(it->path().string());
  }
  if (error) {
    result.warnings.push_back(EscapedName(folder) + ": warning: no presets: " + error.message());
    return result;
  }
  std::sort(paths.begin(), paths.end());
  if (paths.size() > kMaxPresets) {
    result.warnings.push_back(EscapedName(folder) + ": warning: " + std::to_string(paths.size()) +
                              " presets, only the first " + std::to_string(kMaxPresets) + " used");
    paths.resize(kMaxPresets);
  }
  for (const std::string& path : paths) {
    try {
      result.presets.push_back(ReadTransferPreset(path));
    } catch (const TransferFileError& failure) {
      // "path: reason" becomes "path: warning: reason, preset skipped".
      const std::string name = EscapedName(path);
      const std::string reason = std::string(failure.what()).substr(name.size() + 2);
      result.warnings.push_back(name + ": warning: " + reason + ", preset skipped");
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
  float filled[kTransferEntries * 4];
  ReadPresetMap(preset.path, low, high, filled);
  std::copy_n(filled, kTransferEntries * 4, table);
}
