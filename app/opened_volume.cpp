#include "app/opened_volume.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/load_progress.h"
#include "app/volume_view.h"
#include "files/ct_values.h"
#include "files/escaped_name.h"
#include "files/volume_fit.h"
#include "files/volume_info.h"
#include "render/vol_render.h"

namespace {

std::optional<Volume> gVolume;
IntensityWindow gDefaultWindow;
bool gHoldsCt = false;
std::vector<float> gTexels;  // the renderer borrows them

int32_t MaxTextureSize() {
  GLint size = 0;
  glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &size);
  return size > 0 ? size : 1;
}

}  // namespace

void ShowOpenedVolume(const VolumeView& part, const IntensityWindow& window, int maxSize,
                      bool afterKey) {
  const VolumeBox box = ViewedBox(part, gVolume->info());
  const std::array<int64_t, 3> boxSizes{static_cast<int64_t>(box.extent[0]),
                                        static_cast<int64_t>(box.extent[1]),
                                        static_cast<int64_t>(box.extent[2])};
  const std::array<int32_t, 3> sizes = FitVolumeSize(boxSizes, maxSize, MaxTextureSize());
  if (afterKey) {
    std::printf("Showing voxels x %lld-%lld, y %lld-%lld, z %lld-%lld at %dx%dx%d\n",
                static_cast<long long>(box.origin[0]),
                static_cast<long long>(box.origin[0] + box.extent[0] - 1),
                static_cast<long long>(box.origin[1]),
                static_cast<long long>(box.origin[1] + box.extent[1] - 1),
                static_cast<long long>(box.origin[2]),
                static_cast<long long>(box.origin[2] + box.extent[2] - 1), sizes[0], sizes[1],
                sizes[2]);
  } else if (sizes[0] != boxSizes[0] || sizes[1] != boxSizes[1] || sizes[2] != boxSizes[2]) {
    std::printf("Reduced %lldx%lldx%lld voxels to %dx%dx%d to fit\n",
                static_cast<long long>(boxSizes[0]), static_cast<long long>(boxSizes[1]),
                static_cast<long long>(boxSizes[2]), sizes[0], sizes[1], sizes[2]);
  }
  gTexels.assign(static_cast<size_t>(sizes[0]) * static_cast<size_t>(sizes[1]) *
                     static_cast<size_t>(sizes[2]),
                 0.0f);
  ResampleVolume(*gVolume, box, window, sizes, gTexels.data());
  gRenderer.ShowPreciseVolume(gTexels.data(), sizes[0], sizes[1], sizes[2],
                              BoxProportions(box, gVolume->info()));
  // The slices sit half a voxel inside the box, and the voxels changed.
  gRenderer.BuildSlices();
}

bool LoadOpenedVolume(const ViewerOptions& options) {
  VolumeRequest request;
  request.path = options.volume;
  request.raw = options.raw;
  request.spacing = options.spacing;
  request.frame = options.frame;
  request.singleFile = options.singleFile;
  request.series = options.series;
  {
    LoadProgress progress;
    try {
      gVolume.emplace(
          OpenVolume(request, [&progress](const std::string& line) { progress.Report(line); }));
    } catch (const VolumeFileError& error) {
      std::fprintf(stderr, "%s\n", error.what());
      return false;
    }
    if (!options.window || options.info) {
      progress.Report("Finding the intensity window");
      gDefaultWindow = RobustWindow(*gVolume);
    }
    gHoldsCt = LooksLikeCt(*gVolume);
    progress.Finish();
  }
  const VolumeInfo& info = gVolume->info();
  if (!info.note.empty() && !options.info) std::printf("%s: %s\n", EscapedName(options.volume).c_str(), info.note.c_str());
  if (info.frames > 1 && !options.info) {
    std::fprintf(stderr, "%s: warning: %d frames, showing frame %d (choose with --frame N)\n",
                 EscapedName(options.volume).c_str(), info.frames, options.frame);
  }
  // CT values are windowed over the Hounsfield range, so presets in HU
  // reach from air to bone.
  if (gHoldsCt) gDefaultWindow = CtWindow(*gVolume);
  return true;
}

const Volume* OpenedVolume() { return gVolume ? &*gVolume : nullptr; }

IntensityWindow StartWindow(const ViewerOptions& options) {
  return options.window.value_or(gDefaultWindow);
}

bool OpenedVolumeHoldsCt() { return gHoldsCt; }

bool PrintSeveralSeries(const ViewerOptions& options) {
  std::error_code error;
  if (!options.series.empty() || options.raw || !std::filesystem::is_directory(options.volume, error)) return false;
  std::vector<std::string> series;
  try {
    series = ListDicomSeries(options.volume);
  } catch (const VolumeFileError&) {
    return false;  // the read says what is wrong
  }
  if (series.size() < 2) return false;
  std::printf("File: %s\nFormat: DICOM folder\nSeries: %zu (open one with --series N)\n",
              EscapedName(options.volume).c_str(), series.size());
  for (const std::string& line : series) std::printf("  %s\n", line.c_str());
  return true;
}

void PrintOpenedVolumeInfo(const ViewerOptions& options) {
  std::fputs(VolumeInfoText(options.volume, gVolume->info(), gDefaultWindow).c_str(), stdout);
}

int32_t OpenedVolumeSliceCount() {
  const int32_t sizes[3] = {gRenderer.sizeX, gRenderer.sizeY, gRenderer.sizeZ};
  const float* shape = gRenderer.Proportions();
  const int longest = static_cast<int>(std::max_element(shape, shape + 3) - shape);
  return std::clamp(sizes[longest], 100, 200);
}
