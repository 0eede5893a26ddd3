#include "app/transfer_presets.h"

#include <cstdio>
#include <vector>

#include "app/transfer_files.h"
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

// The preset's table in the editor, which the renderer then uploads.
void LoadPreset(const TransferPreset& preset, const IntensityWindow& window) {
  float table[kTransferEntries * 4];
  FillPresetTable(preset, window.low, window.high, table);
  LoadTransferTable(table, preset.name);
  std::printf("Preset: %s\n", preset.name.c_str());
}

}  // namespace

void PrintPresetList() {
  const PresetFolder folder = ReadPresetFolder(kPresetFolder);
  PrintWarnings(folder);
  for (const TransferPreset& preset : folder.presets) {
    std::printf("%-16s %s\n", preset.name.c_str(), preset.description.c_str());
  }
}

bool PresetInstalled(const std::string& name) { return !PresetPath(kPresetFolder, name).empty(); }

bool SetUpStartPreset(const std::string& named, VolumeKind kind, const IntensityWindow& window) {
  const std::string name = !named.empty()             ? named
                           : kind == VolumeKind::Ct      ? kCtPreset
                           : kind == VolumeKind::Patient ? kPatientPreset
                                                         : kOtherPreset;
  if (!named.empty()) {
    // Checked alone first: a broken preset asked for ends the start in one line.
    try {
      ReadTransferPreset(PresetPath(kPresetFolder, named));
    } catch (const TransferFileError& error) {
      std::fprintf(stderr, "%s\n", error.what());
      return false;
    }
  }
  PresetFolder folder = ReadPresetFolder(kPresetFolder);
  PrintWarnings(folder);
  gPresets = std::move(folder.presets);
  for (gCurrent = 0; gCurrent < gPresets.size(); ++gCurrent) {
    if (gPresets[gCurrent].name == name) {
      LoadPreset(gPresets[gCurrent], window);
      return true;
    }
  }
  // Only a default can be missing: a named one was just read.
  std::fprintf(stderr, "%s/%s.json: warning: preset missing, keeping the start-up table\n",
               kPresetFolder, name.c_str());
  gCurrent = gPresets.size() - 1;  // key k starts from the first
  return true;
}

void NextPreset(const IntensityWindow& window) {
  if (gPresets.empty()) return;
  gCurrent = (gCurrent + 1) % gPresets.size();
  LoadPreset(gPresets[gCurrent], window);
  gRenderer.SetTransferFunction(gTransferEditor.Table());
}

std::vector<std::string> PresetNames() {
  std::vector<std::string> names;
  for (const TransferPreset& preset : gPresets) names.push_back(preset.name);
  return names;
}

void SelectPreset(size_t index, const IntensityWindow& window) {
  if (index >= gPresets.size()) return;
  gCurrent = index;
  LoadPreset(gPresets[gCurrent], window);
  gRenderer.SetTransferFunction(gTransferEditor.Table());
}
