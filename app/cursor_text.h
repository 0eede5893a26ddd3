// The texts that name a point of an opened volume: its position in RAS mm
// with anatomical letters (plain x/y/z mm for volumes without a patient
// frame), the file's indices of the voxel it falls in, and that voxel's
// value as the file holds it.
#pragma once

#include <array>
#include <string>

#include "files/volume_file.h"
#include "files/volume_space.h"

// "R 12.5 P -30.0 S 8.0 mm": each number as it is, its letter for its sign
// (L for negative x, P for negative y, I for negative z).
std::string PositionText(const VolumeInfo& info, const Point3& canonical);
// "R 12.5" for one RAS component (0 x, 1 y, 2 z).
std::string CoordinateText(const VolumeInfo& info, int component, double mm);

// The voxel a canonical point falls in (nearest centre, within the volume).
std::array<int64_t, 3> VoxelOf(const VolumeInfo& info, const Point3& canonical);

// "voxel 40 51 20, value 1200": the file's own indices, and the value in data
// units (whole for voxels stored as integers).
std::string VoxelText(const Volume& volume, const Point3& canonical);

// "Cursor: R 12.5 A 30.0 S 8.0 mm, voxel 40 51 20, value 1200".
std::string CursorLine(const Volume& volume, const Point3& canonical);

// The letter of a screen edge that canonical axis `axis` points to, growing
// (`growing`) or not: L/P/S and R/A/I, or +x/-x ... without a patient frame.
std::string EdgeLetter(const VolumeInfo& info, int axis, bool growing);

// Keeps a point within the voxel centres; true when it lay outside the
// volume (further than half a voxel beyond them).
bool ClampToVolume(const VolumeInfo& info, Point3& canonical);
