#include "tools/datagen/fractal_volume.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kOctaves = 8;          // cells of 256, 128, ..., 2 voxels
constexpr int kCoarsestShift = 8;
constexpr int kPlanesPerBlock = 8;

uint32_t Hash(uint32_t x, uint32_t y, uint32_t z, uint32_t seed) {
  uint32_t h = seed ^ (x * 0x8da6b343u) ^ (y * 0xd8163841u) ^ (z * 0xcb1ab31fu);
  h ^= h >> 16;
  h *= 0x7feb352du;
  h ^= h >> 15;
  h *= 0x846ca68bu;
  h ^= h >> 16;
  return h;
}

float LatticeValue(uint32_t x, uint32_t y, uint32_t z, uint32_t octave) {
  return static_cast<float>(Hash(x, y, z, 0x9e3779b9u * (octave + 1)) >> 8) * (1.0f / 16777216.0f);
}

float Fade(float t) { return t * t * (3.0f - 2.0f * t); }

struct Octave {
  int shift;
  float amplitude;
  std::vector<float> fadeX;       // blend weight of every x inside its cell
  std::vector<float> corners[4];  // lattice rows at (ly, lz), (ly+1, lz), (ly, lz+1), (ly+1, lz+1)
  uint32_t cornersY = ~0u;        // the (ly, lz) the corner rows belong to
  uint32_t cornersZ = ~0u;
  std::vector<float> lattice;     // one row of lattice values, bilinear in y and z
};

std::vector<Octave> MakeOctaves() {
  std::vector<Octave> octaves(kOctaves);
  float total = 0.0f;
  for (int o = 0; o < kOctaves; ++o) {
    Octave& octave = octaves[static_cast<size_t>(o)];
    octave.shift = kCoarsestShift - o;
    // Amplitude falls slower than the cell size so fine octaves stay visible.
    octave.amplitude = std::pow(static_cast<float>(1 << octave.shift), 0.6f);
    total += octave.amplitude;
    const int cell = 1 << octave.shift;
    for (int i = 0; i < cell; ++i) octave.fadeX.push_back(Fade(static_cast<float>(i) / cell));
  }
  for (Octave& octave : octaves) octave.amplitude /= total;
  return octaves;
}

// Lattice values of one octave along a whole row at (y, z). The hashed corner
// rows change only once per cell, so they are kept between rows.
void FillLatticeRow(Octave& octave, uint32_t octaveIndex, int sizeX, int y, int z) {
  const int cell = 1 << octave.shift;
  const uint32_t ly = static_cast<uint32_t>(y >> octave.shift);
  const uint32_t lz = static_cast<uint32_t>(z >> octave.shift);
  const size_t points = static_cast<size_t>(sizeX >> octave.shift) + 2;
  if (ly != octave.cornersY || lz != octave.cornersZ || octave.lattice.size() != points) {
    for (uint32_t c = 0; c < 4; ++c) {
      std::vector<float>& corner = octave.corners[c];
      corner.resize(points);
      for (uint32_t lx = 0; lx < points; ++lx) {
        corner[lx] = LatticeValue(lx, ly + (c & 1), lz + (c >> 1), octaveIndex);
      }
    }
    octave.cornersY = ly;
    octave.cornersZ = lz;
    octave.lattice.resize(points);
  }
  const float ty = Fade(static_cast<float>(y & (cell - 1)) / cell);
  const float tz = Fade(static_cast<float>(z & (cell - 1)) / cell);
  for (size_t lx = 0; lx < points; ++lx) {
    const float near = octave.corners[0][lx] + (octave.corners[1][lx] - octave.corners[0][lx]) * ty;
    const float far = octave.corners[2][lx] + (octave.corners[3][lx] - octave.corners[2][lx]) * ty;
    octave.lattice[lx] = near + (far - near) * tz;
  }
}

// Bright only near the middle level of the noise: thin, folded sheets with
// empty space between them, so the volume does not render as fog.
uint8_t RidgeByte(float noise) {
  const float ridge = 1.0f - std::fabs(2.0f * noise - 1.0f);
  const float sharp = std::max(0.0f, (ridge - 0.86f) / 0.14f);
  return static_cast<uint8_t>(sharp * sharp * 255.0f + 0.5f);
}

}  // namespace

void FillFractalPlanes(int sizeX, int sizeY, int zBegin, int zEnd, uint8_t* out) {
  std::vector<Octave> octaves = MakeOctaves();
  std::vector<float> row(static_cast<size_t>(sizeX));
  for (int z = zBegin; z < zEnd; ++z) {
    for (int y = 0; y < sizeY; ++y) {
      std::fill(row.begin(), row.end(), 0.0f);
      for (uint32_t o = 0; o < octaves.size(); ++o) {
        Octave& octave = octaves[o];
        FillLatticeRow(octave, o, sizeX, y, z);
        const int mask = (1 << octave.shift) - 1;
        const float* lattice = octave.lattice.data();
        const float* fade = octave.fadeX.data();
        for (int x = 0; x < sizeX; ++x) {
          const int lx = x >> octave.shift;
          const float a = lattice[lx];
          row[static_cast<size_t>(x)] +=
              octave.amplitude * (a + (lattice[lx + 1] - a) * fade[x & mask]);
        }
      }
      for (int x = 0; x < sizeX; ++x) *out++ = RidgeByte(row[static_cast<size_t>(x)]);
    }
  }
}

bool WriteFractalVolume(const std::string& path, int sizeX, int sizeY, int sizeZ, int threads,
                        std::string& error) {
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (file < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  const size_t planeBytes = static_cast<size_t>(sizeX) * static_cast<size_t>(sizeY);
  std::atomic<int> nextBlock{0};
  std::atomic<int> failure{0};
  auto worker = [&] {
    std::vector<uint8_t> block(planeBytes * kPlanesPerBlock);
    for (;;) {
      const int zBegin = nextBlock.fetch_add(1) * kPlanesPerBlock;
      if (zBegin >= sizeZ || failure.load() != 0) return;
      const int zEnd = std::min(zBegin + kPlanesPerBlock, sizeZ);
      FillFractalPlanes(sizeX, sizeY, zBegin, zEnd, block.data());
      const size_t bytes = planeBytes * static_cast<size_t>(zEnd - zBegin);
      size_t done = 0;
      while (done < bytes) {
        const ssize_t n = ::pwrite(file, block.data() + done, bytes - done,
                                   static_cast<off_t>(planeBytes * zBegin + done));
        if (n <= 0) {
          failure.store(n < 0 ? errno : ENOSPC);
          return;
        }
        done += static_cast<size_t>(n);
      }
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < std::max(threads, 1); ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& t : pool) t.join();
  const bool closed = ::close(file) == 0;
  if (failure.load() != 0 || !closed) {
    error = path + ": " + std::strerror(failure.load() != 0 ? failure.load() : errno);
    return false;
  }
  return true;
}
