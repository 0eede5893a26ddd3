#include "app/state_saving.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/opened_volume.h"
#include "app/state_file.h"
#include "app/transfer_files.h"
#include "app/transfer_presets.h"
#include "app/viewer.h"
#include "files/escaped_name.h"
#include "render/vol_render.h"
#include "transfer/transfer_editor.h"

namespace {

constexpr char kDefaultStateFile[] = "volview-state.json";

struct StateSaving {
  ViewerOptions options;   // how the volume was read, and where to save
  std::string lastWritten;  // --save-state's file's text
  std::string lastProblem;  // said once, not after every key
};

std::optional<StateSaving> gSaving;

std::string StateText(const std::string& path) {
  const ViewState* state = OpenedViewState();
  ViewSnapshot snapshot;
  snapshot.options = &gSaving->options;
  snapshot.info = &OpenedVolume()->info();
  snapshot.state = state;
  snapshot.windowSize = {gWindowWidth, gWindowHeight};
  const float* light = gRenderer.LightPosition();
  snapshot.light = {light[0], light[1], light[2]};
  snapshot.table = gTransferEditor.Table();
  snapshot.tableName = TransferTableName();
  snapshot.tableIsPreset = PresetInstalled(snapshot.tableName);
  snapshot.background = gSaving->options.background;
  return FormatState(snapshot, path);
}

bool Write(const std::string& path, const std::string& text) {
  try {
    WriteStateFile(path, text);
    gSaving->lastProblem.clear();
    return true;
  } catch (const StateFileError& error) {
    if (gSaving->lastProblem != error.what()) std::fprintf(stderr, "volview: %s\n", error.what());
    gSaving->lastProblem = error.what();
    return false;
  }
}

void SaveAtExit() { SaveStateIfChanged(); }

}  // namespace

void StartSavingState(const ViewerOptions& options) {
  gSaving.emplace();
  gSaving->options = options;
  gSaving->options.glutArgs.clear();  // pointers into argv, not needed here
  if (options.saveStateFile.empty()) return;
  SaveStateIfChanged();
  std::atexit(SaveAtExit);
}

void SaveStateIfChanged() {
  if (!gSaving || gSaving->options.saveStateFile.empty() || OpenedViewState() == nullptr) return;
  const std::string& path = gSaving->options.saveStateFile;
  const std::string text = StateText(path);
  if (text != gSaving->lastWritten && Write(path, text)) gSaving->lastWritten = text;
}

void SaveStateNow() {
  if (!gSaving) return;
  const bool given = !gSaving->options.saveStateFile.empty();
  const std::string path = given ? gSaving->options.saveStateFile : kDefaultStateFile;
  const std::string text = StateText(path);
  if (!Write(path, text)) return;
  if (given) gSaving->lastWritten = text;
  std::printf("View saved: %s\n", EscapedName(std::filesystem::absolute(path).lexically_normal().string()).c_str());
}
