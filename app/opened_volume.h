// The volume named on the command line: read before any window opens,
// fitted to the texture once GL is up, and re-fitted as keys + - 4 6 move
// the view over its full-resolution voxels.
#pragma once

#include <cstdint>

#include "app/options.h"
#include "files/volume_file.h"
#include "files/volume_window.h"

// Reads options.volume and settles the intensity window. On failure prints
// one line naming the file and the reason on stderr and returns false.
// Progress lines reach stdout once a load has taken over a second.
bool LoadOpenedVolume(const ViewerOptions& options);

// Null until a volume is loaded.
const Volume* OpenedVolume();
const IntensityWindow& OpenedVolumeWindow();
// Whether its values look like CT (files/ct_values.h); such a volume is
// windowed over its CT range unless --window says otherwise.
bool OpenedVolumeHoldsCt();

// Prints the --info text of the loaded volume on stdout.
void PrintOpenedVolumeInfo(const ViewerOptions& options);

// Hands the whole loaded volume to the renderer in its true proportions.
// Needs the GL context and an initialised renderer.
void ShowOpenedVolume(int maxSize);

// The slice count an opened volume starts with: one slice per voxel along
// its longest side as shown, from 100 to 200. Pre-integration makes a slice
// per voxel enough; more would only cost time.
int32_t OpenedVolumeSliceCount();

// Keys + - 4 6 with a volume loaded: moves or resizes the view and shows
// it. Returns false, doing nothing, for other keys or without a volume.
bool StepOpenedVolume(unsigned char key);
