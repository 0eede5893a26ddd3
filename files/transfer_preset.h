// Transfer-function presets: colour-map files (see transfer_file.h), one per
// preset, in a folder. A preset is named after its file without ".json"
// ("ct-bone.json" is ct-bone); an optional "Description" text says in one
// line what it shows. Physical data (CT, in HU) gives its x values in data
// units; anything else gives them over the window ("RelativeToWindow": true).
//
// Bounded: a preset file is at most kMaxPresetBytes and a folder lends at
// most kMaxPresets, and only names and descriptions are kept; a preset's map
// is read again when it is shown. So the memory presets hold is small
// whatever the folder holds, and reading one costs tens of milliseconds.
#pragma once

#include <cstddef>

#include <string>
#include <vector>

#include "files/transfer_file.h"

// One preset is one map of a few hundred points at most, far below this.
constexpr size_t kMaxPresetBytes = size_t{1} << 20;
constexpr size_t kMaxPresets = 256;

struct TransferPreset {
  std::string name;
  std::string description;  // escaped: it reaches the terminal
  std::string path;
};

// Reads and checks one preset file; throws TransferFileError (one line
// naming the file, escaped, and the reason).
TransferPreset ReadTransferPreset(const std::string& path);

struct PresetFolder {
  std::vector<TransferPreset> presets;  // by name
  std::vector<std::string> warnings;    // one line for each file skipped
};

// Every "*.json" file of `folder` but hidden ones, the first kMaxPresets in
// name order. A broken file is skipped with a warning, so one bad file does
// not cost the others; a folder that cannot be listed gives one warning and
// no presets, one with more files a warning for the rest.
PresetFolder ReadPresetFolder(const std::string& folder);

// The file of preset `name` in `folder`, or "" when there is none. Names are
// plain file names: one holding a '/' or starting with '.' never matches.
// Whatever stands under the name counts (a FIFO, a folder, a broken link),
// so reading it says what is wrong with it rather than that it is missing.
std::string PresetPath(const std::string& folder, const std::string& name);

// The preset's table (256 RGBA entries) over the window [low, high], read
// from its file again; throws TransferFileError when it no longer reads. A
// map without "Points" keeps a linear opacity ramp over the window.
void FillPresetTable(const TransferPreset& preset, double low, double high, float* table);
