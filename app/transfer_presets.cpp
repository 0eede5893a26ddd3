#include "app/transfer_presets.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/transfer_files.h"
#include "files/data_path.h"
#include "files/escaped_name.h"
#include "files/transfer_preset.h"
#include "render/vol_render.h"
#include "transfer/transfer_editor.h"

namespace {

constexpr char kCtPreset[] = "ct-skin-bone";
// On real head scans warm greys show the surfaces' shape better than the
// grey ramp, which leaves them murky; data without a patient frame keeps
// the neutral ramp.
constexpr char kPatientPreset[] = "mr-default";
constexpr char kOtherPreset[] = "grayscale";

std::vector<TransferPreset> gPresets;
size_t gCurrent = 0;

void PrintWarnings(const PresetFolder& folder) {
  for (const std::string& line : folder.warnings) std::fprintf(stderr, "%s\n", line.c_str());
}

// The preset's table in the editor, which the renderer then uploads; false,
// with its line, when its file no longer reads.
bool LoadPreset(const TransferPreset& preset, const IntensityWindow& window) {
  float table[kTransferEntries * 4];
  try {
    FillPresetTable(preset, window.low, window.high, table);
  } catch (const TransferFileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return false;
  }
  LoadTransferTable(table, preset.name);
  std::printf("Preset: %s\n", EscapedName(preset.name).c_str());
  return true;
}

// Key k and the menu: the preset at `index`, shown at once.
void ShowPreset(size_t index, const IntensityWindow& window) {
  gCurrent = index;
  if (LoadPreset(gPresets[gCurrent], window)) gRenderer.SetTransferFunction(gTransferEditor.Table());
}

}  // namespace

std::string PresetFolderPath() { return DataFilePath(kPresetFolder); }

void PrintPresetList() {
  const PresetFolder folder = ReadPresetFolder(PresetFolderPath());
  PrintWarnings(folder);
  for (const TransferPreset& preset : folder.presets) {
    std::printf("%-16s %s\n", EscapedName(preset.name).c_str(), preset.description.c_str());
  }
}

bool PresetInstalled(const std::string& name) { return !PresetPath(PresetFolderPath(), name).empty(); }

bool SetUpStartPreset(const std::string& named, VolumeKind kind, const IntensityWindow& window) {
  const std::string name = !named.empty()             ? named
                           : kind == VolumeKind::Ct      ? kCtPreset
                           : kind == VolumeKind::Patient ? kPatientPreset
                                                         : kOtherPreset;
  std::optional<TransferPreset> asked;
  if (!named.empty()) {
    // Checked alone first: a broken preset asked for ends the start in one line.
    try {
      asked = ReadTransferPreset(PresetPath(PresetFolderPath(), named));
    } catch (const TransferFileError& error) {
      std::fprintf(stderr, "%s\n", error.what());
      return false;
    }
  }
  PresetFolder folder = ReadPresetFolder(PresetFolderPath());
  PrintWarnings(folder);
  gPresets = std::move(folder.presets);
  const auto found = std::find_if(gPresets.begin(), gPresets.end(),
                                  [&](const TransferPreset& preset) { return preset.name == name; });
  // One named beyond the folder's first kMaxPresets joins key k's round.
  if (found == gPresets.end() && asked) gPresets.push_back(*asked);
  for (gCurrent = 0; gCurrent < gPresets.size(); ++gCurrent) {
    if (gPresets[gCurrent].name == name) return LoadPreset(gPresets[gCurrent], window) || named.empty();
  }
  // Only a default can be missing: a named one was just read. A default
  // skipped as broken already has its warning.
  if (PresetPath(PresetFolderPath(), name).empty()) {
    std::fprintf(stderr, "%s/%s.json: warning: preset missing, keeping the start-up table\n",
                 EscapedName(PresetFolderPath()).c_str(), name.c_str());
  }
  gCurrent = gPresets.size() - 1;  // key k starts from the first
  return true;
}

void NextPreset(const IntensityWindow& window) {
  if (gPresets.empty()) return;
  ShowPreset((gCurrent + 1) % gPresets.size(), window);
}

std::vector<std::string> PresetNames() {
  std::vector<std::string> names;
  for (const TransferPreset& preset : gPresets) names.push_back(preset.name);
  return names;
}

void SelectPreset(size_t index, const IntensityWindow& window) {
  if (index < gPresets.size()) ShowPreset(index, window);
}
