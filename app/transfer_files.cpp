#include "app/transfer_files.h"

#include <cstdio>
#include <cstring>

#include "app/opened_volume.h"
#include "app/transfer_presets.h"
#include "files/transfer_file.h"
#include "files/window_histogram.h"
#include "render/vol_render.h"
#include "transfer/transfer_editor.h"

namespace {

bool gTransferLoaded = false;
std::string gLoadedName;
float gLoaded[kTransferEntries][4];
std::string gSavePath;
float gLastSaved[kTransferEntries][4];

}  // namespace

void LoadTransferFile(const std::string& path, const IntensityWindow& window) {
  float table[kTransferEntries][4];
  std::memcpy(table, gTransferEditor.Table(), sizeof table);
  ReadTransferFile(path, window.low, window.high, &table[0][0]);
  LoadTransferTable(&table[0][0], path.substr(path.find_last_of('/') + 1));
}

void LoadTransferTable(const float* table, const std::string& name) {
  gTransferEditor.LoadTable(table);
  gTransferLoaded = true;
  gLoadedName = name;
  std::memcpy(gLoaded, gTransferEditor.Table(), sizeof gLoaded);
}

std::string TransferTableName() {
  if (gLoadedName.empty()) return "";
  return std::memcmp(gLoaded, gTransferEditor.Table(), sizeof gLoaded) == 0 ? gLoadedName : "edited";
}

void UploadLoadedTransfer() {
  if (gTransferLoaded) gRenderer.SetTransferFunction(gTransferEditor.Table());
}

void SaveTransferEditsTo(const std::string& path) {
  gSavePath = path;
  std::memcpy(gLastSaved, gTransferEditor.Table(), sizeof gLastSaved);
}

void SaveTransferIfEdited(const IntensityWindow& window) {
  if (gSavePath.empty()) return;
  const float* table = gTransferEditor.Table();
  if (std::memcmp(gLastSaved, table, sizeof gLastSaved) == 0) return;
  try {
    WriteTransferFile(gSavePath, table, window.low, window.high);
    std::memcpy(gLastSaved, table, sizeof gLastSaved);
  } catch (const TransferFileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
  }
}

void ShowVolumeHistogram(const Volume& volume, const IntensityWindow& window) {
  gTransferEditor.SetHistogramSource([&volume, window] { return WindowHistogram(volume, window); });
}

namespace {

VolumeKind OpenedVolumeKind() {
  if (OpenedVolumeHoldsCt()) return VolumeKind::Ct;
  return OpenedVolume()->info().anatomical ? VolumeKind::Patient : VolumeKind::Other;
}

}  // namespace

bool CheckTransferOptions(const ViewerOptions& options) {
  try {
    if (!options.transferFile.empty()) {
      float table[kTransferEntries * 4] = {};
      ReadTransferFile(options.transferFile, 0, 1, table);
    }
    if (!options.saveTransferFile.empty()) CheckTransferFileWritable(options.saveTransferFile);
  } catch (const TransferFileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return false;
  }
  return true;
}

bool SetUpTransferFiles(const ViewerOptions& options, const IntensityWindow& window) {
  const Volume* volume = OpenedVolume();
  try {
    if (!options.transferFile.empty()) LoadTransferFile(options.transferFile, window);
    if (!options.saveTransferFile.empty()) CheckTransferFileWritable(options.saveTransferFile);
  } catch (const TransferFileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return false;
  }
  const bool restored = options.restored && !options.restored->transferMap.empty();
  if (restored) {
    // A saved view's table, over the window it was saved with unless one was given.
    float table[kTransferEntries][4];
    std::memcpy(table, gTransferEditor.Table(), sizeof table);
    ParseTransferMap(options.restored->transferMap, window.low, window.high, &table[0][0]);
    LoadTransferTable(&table[0][0], options.restored->transferName);
  }
  // Only once the files are known good, so a refused start prints nothing.
  if (volume != nullptr && options.transferFile.empty() && !restored &&
      !SetUpStartPreset(options.preset, OpenedVolumeKind(), window)) {
    return false;
  }
  if (!options.saveTransferFile.empty()) SaveTransferEditsTo(options.saveTransferFile);
  if (volume != nullptr) ShowVolumeHistogram(*volume, window);
  return true;
}
