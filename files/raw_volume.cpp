#include "files/raw_volume.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

namespace {

inline float ByteToUnit(uint8_t byte) { return static_cast<float>(byte * kByteToUnit); }

void ScaleRow(const uint8_t* bytes, size_t count, float* out) {
  for (size_t i = 0; i < count; ++i) out[i] = ByteToUnit(bytes[i]);
}

bool InsideAxis(int64_t coordinate, int32_t size) { return coordinate >= 0 && coordinate < size; }

}  // namespace

size_t RawElementCount(int32_t sizeX, int32_t sizeY, int32_t sizeZ, int32_t channels) {
  constexpr size_t kMaxCount = std::numeric_limits<ptrdiff_t>::max() / sizeof(float);
  size_t count = 1;
  for (const int32_t size : {sizeX, sizeY, sizeZ, channels}) {
    if (size <= 0 || count > kMaxCount / static_cast<size_t>(size)) return 0;
    count *= static_cast<size_t>(size);
  }
  return count;
}

RawReadOutcome ReadRawBytes(std::FILE* file, uint8_t* destination, size_t count) {
  const size_t got = std::fread(destination, 1, count, file);
  if (got < count) std::memset(destination + got, 0, count - got);
  return RawReadOutcome{std::ferror(file) != 0, count - got};
}

void SmoothRawVolume(const uint8_t* bytes, int32_t sizeX, int32_t sizeY, int32_t sizeZ,
                     int32_t channels, float* out) {
  if (RawElementCount(sizeX, sizeY, sizeZ, channels) == 0) return;
  const size_t step = static_cast<size_t>(channels);
  const size_t row = static_cast<size_t>(sizeX) * step;
  const size_t plane = row * static_cast<size_t>(sizeY);
  for (int32_t z = 0; z < sizeZ; ++z) {
    for (int32_t y = 0; y < sizeY; ++y) {
      const size_t rowStart = static_cast<size_t>(z) * plane + static_cast<size_t>(y) * row;
      const uint8_t* b = bytes + rowStart;
      float* o = out + rowStart;
      if (z == 0 || z == sizeZ - 1 || y == 0 || y == sizeY - 1 || sizeX < 3) {
        ScaleRow(b, row, o);
        continue;
      }
      ScaleRow(b, step, o);                            // x = 0
      ScaleRow(b + row - step, step, o + row - step);  // x = sizeX - 1
      const uint8_t* below = b - plane;
      const uint8_t* above = b + plane;
      const uint8_t* front = b - row;
      const uint8_t* back = b + row;
      const size_t end = row - step;
      for (size_t i = step; i < end; ++i) {
        const int sum = b[i] + b[i - step] + b[i + step] + front[i] + back[i] + below[i] + above[i];
        o[i] = static_cast<float>(sum * kSevenPointToUnit);
      }
    }
  }
}

RawReadOutcome RawFileSource::ReadSpan(uint64_t position, size_t count, uint8_t* destination) {
  const int descriptor = fileno(file_);
  RawReadOutcome outcome;
  size_t got = 0;
  while (got < count) {
    const ssize_t n = pread(descriptor, destination + got, count - got,
                            static_cast<off_t>(position + got));
    if (n < 0 && errno == EINTR) continue;
    outcome.failed = n < 0;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got < count) std::memset(destination + got, 0, count - got);
  outcome.missingBytes = count - got;
  return outcome;
}

RawReadOutcome RawMemorySource::ReadSpan(uint64_t position, size_t count, uint8_t* destination) {
  size_t available = 0;
  if (position < size_) available = std::min<uint64_t>(count, size_ - position);
  if (available > 0) std::memcpy(destination, bytes_ + position, available);
  if (available < count) std::memset(destination + available, 0, count - available);
  return RawReadOutcome{false, count - available};
}

float SubVolumeStep(int32_t extent, int32_t size) {
  return static_cast<float>(static_cast<double>(extent) / static_cast<double>(size));
}

RawReadOutcome SampleSubVolume(RawByteSource& source, const RawFileBox& file,
                               const SubVolumeWindow& window, int32_t sizeX, int32_t sizeY,
                               int32_t sizeZ, int32_t channels, float* out) {
  RawReadOutcome outcome;
  if (RawElementCount(sizeX, sizeY, sizeZ, channels) == 0) return outcome;
  // A file box whose byte positions would wrap cannot be read correctly.
  if (RawElementCount(file.sizeX, file.sizeY, file.sizeZ, 1) == 0) {
    outcome.failed = true;
    return outcome;
  }
  const size_t step = static_cast<size_t>(channels);
  const size_t row = static_cast<size_t>(sizeX) * step;

  // The file x of every target x is the same on every row: find the span of
  // the file row they cover once.
  std::vector<int64_t> fileX(static_cast<size_t>(sizeX));
  int64_t first = std::numeric_limits<int64_t>::max();
  int64_t last = std::numeric_limits<int64_t>::min();
  for (int32_t x = 0; x < sizeX; ++x) {
    const int64_t fx = SubVolumeFileCoordinate(x, window.stepX, window.originX);
    fileX[static_cast<size_t>(x)] = fx;
    if (InsideAxis(fx, file.sizeX)) {
      first = std::min(first, fx);
      last = std::max(last, fx);
    }
  }
  const size_t spanLength = first <= last ? static_cast<size_t>(last - first + 1) : 0;

  // One extra zero byte after the span stands for every voxel outside the
  // file in x, so the inner loop needs no test.
  std::vector<uint8_t> span(spanLength + 1, 0);
  std::vector<uint32_t> spanIndex(static_cast<size_t>(sizeX));
  for (size_t x = 0; x < spanIndex.size(); ++x) {
    spanIndex[x] = static_cast<uint32_t>(InsideAxis(fileX[x], file.sizeX)
                                             ? static_cast<size_t>(fileX[x] - first)
                                             : spanLength);
  }
  float unit[256];
  for (int b = 0; b < 256; ++b) unit[b] = ByteToUnit(static_cast<uint8_t>(b));

  for (int32_t z = 0; z < sizeZ; ++z) {
    const int64_t fz = SubVolumeFileCoordinate(z, window.stepZ, window.originZ);
    for (int32_t y = 0; y < sizeY; ++y) {
      const int64_t fy = SubVolumeFileCoordinate(y, window.stepY, window.originY);
      float* o = out + (static_cast<size_t>(z) * static_cast<size_t>(sizeY) +
                        static_cast<size_t>(y)) * row;
      if (spanLength == 0 || !InsideAxis(fz, file.sizeZ) || !InsideAxis(fy, file.sizeY)) {
        std::fill(o, o + row, 0.0f);
        continue;
      }
      const uint64_t position =
          (static_cast<uint64_t>(fz) * static_cast<uint64_t>(file.sizeY) +
           static_cast<uint64_t>(fy)) * static_cast<uint64_t>(file.sizeX) +
          static_cast<uint64_t>(first);
      const RawReadOutcome read = source.ReadSpan(position, spanLength, span.data());
      if (read.failed) {
        outcome.failed = true;
        return outcome;
      }
      outcome.missingBytes += read.missingBytes;
      if (step == 1) {
        for (size_t x = 0; x < spanIndex.size(); ++x) o[x] = unit[span[spanIndex[x]]];
      } else {
        for (size_t x = 0; x < spanIndex.size(); ++x) {
          const float value = unit[span[spanIndex[x]]];
          std::fill(o + x * step, o + (x + 1) * step, value);
        }
      }
    }
  }
  return outcome;
}
