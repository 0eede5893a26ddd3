// Transfer-function presets from the folder "presets" (found as the other
// data files are: see files/data_path.h): the one an opened volume starts
// from, --preset list, and key k.
// The built-in volumes never use them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "files/volume_window.h"

constexpr char kPresetFolder[] = "presets";

// The presets folder in use: "presets" in the working directory, or where
// the data files are.
std::string PresetFolderPath();

// --preset list: one line per usable preset, its name and description, on
// stdout; one warning line per broken file on stderr.
void PrintPresetList();

// Whether the presets folder holds a file for --preset NAME.
bool PresetInstalled(const std::string& name);

// What an opened volume's values and frame suggest about it.
enum class VolumeKind { Ct, Patient, Other };  // Patient: in a patient's frame, not CT (MR, PET, ...)

// Loads into the editor the preset an opened volume starts from: `named`,
// or without a name ct-skin-bone for CT, mr-default for other scans in a
// patient's frame and grayscale for the rest (microscopy, raw files), and
// prints "Preset: NAME". A named preset that cannot be read is reported in
// one line on stderr, and false returned; broken files merely found in the
// folder get a warning each and are left out of key k's round.
bool SetUpStartPreset(const std::string& named, VolumeKind kind, const IntensityWindow& window);

// Key k: the next preset in name order over the window, shown at once and
// in the editor; prints "Preset: NAME". Does nothing when no preset was set
// up.
void NextPreset(const IntensityWindow& window);

// The presets key k steps through, in its order; and one of them chosen.
std::vector<std::string> PresetNames();
void SelectPreset(size_t index, const IntensityWindow& window);
