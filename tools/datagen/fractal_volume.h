// A large volume with structure at every scale: ridges of a sum of value-noise
// octaves from 256 voxels down to 2, so zooming in keeps showing new detail.
#pragma once

#include <cstdint>
#include <string>

// Fills planes [zBegin, zEnd) of a sizeX * sizeY * sizeZ byte volume into
// `out` (which holds exactly those planes). Deterministic for every split.
void FillFractalPlanes(int sizeX, int sizeY, int zBegin, int zEnd, uint8_t* out);

// Writes the whole volume to `path` with `threads` workers, a block of planes
// at a time. Returns false, with the reason in `error`, when writing fails.
bool WriteFractalVolume(const std::string& path, int sizeX, int sizeY, int sizeZ, int threads,
                        std::string& error);
