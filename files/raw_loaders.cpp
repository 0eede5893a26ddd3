// The renderer's raw-file loaders. Each opens its file before touching the
// renderer, so a missing file throws without losing the volume on show.
#include <cstdio>
#include <memory>

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
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[count]);
  ReadRawBytes(file.get(), bytes.get(), count);
  file.reset();

  float* smoothed = new float[count];
  SmoothRawVolume(bytes.get(), newSizeX, newSizeY, newSizeZ, newChannels, smoothed);
  AdoptVolume(*this, smoothed, newSizeX, newSizeY, newSizeZ, newChannels);
  UploadVolume();
}

void VolRender::LoadRawSubVolume(const char* fileName, int32_t fileSizeX, int32_t fileSizeY,
                                 int32_t fileSizeZ, int32_t newChannels, int32_t originX,
                                 int32_t originY, int32_t originZ, int32_t extentX,
                                 int32_t extentY, int32_t extentZ, int32_t newSizeX,
                                 int32_t newSizeY, int32_t newSizeZ) {
  RawFile file = OpenRawFile(fileName);

  // Repeated window moves refill the same owned buffer; anything else
  // (a new grid, other channels, a borrowed buffer) gets a fresh one.
  if (newSizeX != -1 || newChannels != channels || data == nullptr || !ownsData) {
    const bool newGrid = newSizeX != -1;
    const int32_t gridX = newGrid ? newSizeX : sizeX;
    const int32_t gridY = newGrid ? newSizeY : sizeY;
    const int32_t gridZ = newGrid ? newSizeZ : sizeZ;
    AdoptVolume(*this, new float[RawElementCount(gridX, gridY, gridZ, newChannels)], gridX, gridY,
                gridZ, newChannels);
  }

  const SubVolumeWindow window{originX,
                               originY,
                               originZ,
                               SubVolumeStep(extentX, sizeX),
                               SubVolumeStep(extentY, sizeY),
                               SubVolumeStep(extentZ, sizeZ)};
  std::printf("%f %f %f\n", window.stepX, window.stepY, window.stepZ);

  RawFileSource source(file.get());
  SampleSubVolume(source, RawFileBox{fileSizeX, fileSizeY, fileSizeZ}, window, sizeX, sizeY,
                  sizeZ, channels, data);
  file.reset();
  UploadVolume();
}
