// The renderer's raw-file loaders. Each opens its file and sizes its buffer
// before touching the renderer, so a missing file or an impossible size
// throws without losing the volume on show.
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <new>

#include "files/raw_volume.h"
#include "render/vol_render.h"

namespace {

const char kRawLoadError[] = "LoadRawData: Erreur, impossible de charger le fichier raw";

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using RawFile = std::unique_ptr<std::FILE, FileCloser>;

RawFile OpenRawFile(const char* fileName) {
  RawFile file(std::fopen(fileName, "rb"));
  if (!file) throw VolRender::Error(kRawLoadError);
  return file;
}

// A size that overflows or cannot be allocated fails like a missing file,
// rather than escaping as bad_alloc or writing past a short buffer.
template <typename T>
T* AllocateOrThrow(size_t count) {
  T* buffer = count == 0 ? nullptr : new (std::nothrow) T[count];
  if (buffer == nullptr) throw VolRender::Error(kRawLoadError);
  return buffer;
}

// A read error (the name is a folder, the disk fails) is a failed load; a
// short file loads, what it lacks reading 0, and says so once.
void CheckRead(const RawReadOutcome& outcome, const char* loader, const char* fileName) {
  if (outcome.failed) throw VolRender::Error(kRawLoadError);
  if (outcome.missingBytes == 0) return;
  std::fprintf(stderr, "%s: %s : %" PRIu64 " octets manquants, lus comme 0\n", loader, fileName,
               outcome.missingBytes);
  std::fflush(stderr);
}

// Makes a freshly filled buffer the renderer's own volume.
void AdoptVolume(VolRender& renderer, float* buffer, int32_t sizeX, int32_t sizeY, int32_t sizeZ,
                 int32_t channels) {
  if (renderer.data != nullptr && renderer.ownsData) delete[] renderer.data;
  renderer.data = buffer;
  renderer.ownsData = true;
  renderer.sizeX = sizeX;
  renderer.sizeY = sizeY;
  renderer.sizeZ = sizeZ;
  renderer.channels = static_cast<int8_t>(channels);
}

}  // namespace

void VolRender::LoadRawData(const char* fileName, int32_t newSizeX, int32_t newSizeY,
                            int32_t newSizeZ, int32_t newChannels) {
  RawFile file = OpenRawFile(fileName);
  const size_t count = RawElementCount(newSizeX, newSizeY, newSizeZ, newChannels);
  std::unique_ptr<uint8_t[]> bytes(AllocateOrThrow<uint8_t>(count));
  const RawReadOutcome read = ReadRawBytes(file.get(), bytes.get(), count);
  file.reset();
  CheckRead(read, "LoadRawData", fileName);

  std::unique_ptr<float[]> smoothed(AllocateOrThrow<float>(count));
  SmoothRawVolume(bytes.get(), newSizeX, newSizeY, newSizeZ, newChannels, smoothed.get());
  AdoptVolume(*this, smoothed.release(), newSizeX, newSizeY, newSizeZ, newChannels);
  UploadVolume();
}

void VolRender::LoadRawSubVolume(const char* fileName, int32_t fileSizeX, int32_t fileSizeY,
                                 int32_t fileSizeZ, int32_t newChannels, int32_t originX,
                                 int32_t originY, int32_t originZ, int32_t extentX,
                                 int32_t extentY, int32_t extentZ, int32_t newSizeX,
                                 int32_t newSizeY, int32_t newSizeZ) {
  RawFile file = OpenRawFile(fileName);

  // Repeated window moves refill the same owned buffer; anything else
  // (a new grid, other channels, a borrowed buffer) gets a fresh one, which
  // becomes the volume only once it is filled.
  const bool freshBuffer = newSizeX != -1 || newChannels != channels || data == nullptr || !ownsData;
  const int32_t gridX = newSizeX != -1 ? newSizeX : sizeX;
  const int32_t gridY = newSizeX != -1 ? newSizeY : sizeY;
  const int32_t gridZ = newSizeX != -1 ? newSizeZ : sizeZ;
  std::unique_ptr<float[]> fresh(
      freshBuffer ? AllocateOrThrow<float>(RawElementCount(gridX, gridY, gridZ, newChannels))
                  : nullptr);

  const SubVolumeWindow window{originX,
                               originY,
                               originZ,
                               SubVolumeStep(extentX, gridX),
                               SubVolumeStep(extentY, gridY),
                               SubVolumeStep(extentZ, gridZ)};
  std::printf("%f %f %f\n", window.stepX, window.stepY, window.stepZ);

  RawFileSource source(file.get());
  const RawReadOutcome read =
      SampleSubVolume(source, RawFileBox{fileSizeX, fileSizeY, fileSizeZ}, window, gridX, gridY,
                      gridZ, newChannels, freshBuffer ? fresh.get() : data);
  file.reset();
  CheckRead(read, "LoadRawSubVolume", fileName);
  if (freshBuffer) AdoptVolume(*this, fresh.release(), gridX, gridY, gridZ, newChannels);
  UploadVolume();
}
