// The volume named on the command line: read before any window opens,
// fitted to the texture once GL is up, and re-fitted as keys + - 4 6 move
// the view over its full-resolution voxels.
#pragma once

#include <cstdint>

#include "app/options.h"
#include "app/volume_view.h"
#include "files/volume_file.h"
#include "files/volume_window.h"

// Reads options.volume and settles the intensity window. On failure prints
// one line naming the file and the reason on stderr and returns false.
// Progress lines reach stdout once a load has taken over a second.
bool LoadOpenedVolume(const ViewerOptions& options);

// Null until a volume is loaded.
const Volume* OpenedVolume();
// The window it opens with: --window, or the one its values suggest.
IntensityWindow StartWindow(const ViewerOptions& options);
// Whether its values look like CT (files/ct_values.h); such a volume is
// windowed over its CT range unless --window says otherwise.
bool OpenedVolumeHoldsCt();

// Prints the --info text of the loaded volume on stdout.
void PrintOpenedVolumeInfo(const ViewerOptions& options);
// --info on a folder of several DICOM series without --series: lists them
// on stdout and returns true; false for anything else, read as usual.
bool PrintSeveralSeries(const ViewerOptions& options);

// Hands a part of the loaded volume (fitted to at most maxSize voxels a
// side) to the renderer in its true proportions, its values through the
// window. At start a line tells when the voxels had to be reduced; after a
// key (+ - 4 6), which voxels are on show. Needs the GL context and an
// initialised renderer.
void ShowOpenedVolume(const VolumeView& part, const IntensityWindow& window, int maxSize,
                      bool afterKey);

// The slice count an opened volume starts with: one slice per voxel along
// its longest side as shown, from 100 to 200. Pre-integration makes a slice
// per voxel enough; more would only cost time.
int32_t OpenedVolumeSliceCount();
