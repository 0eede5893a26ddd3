#include "render/vol_render.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "render/gradients.h"
#include "render/volume_upload.h"
#include "render/voxel_count.h"
#include "transfer/initial_table.h"

VolRender gRenderer;

namespace {

// The mip levels of the last uploads, kept so every fluid frame rebuilds
// them in place instead of allocating afresh.
MipChain gVolumeMips;
MipChain gGradientMips;

}  // namespace

VolRender::VolRender()
    : sizeX(128),
      sizeY(128),
      sizeZ(128),
      data(nullptr),
      ownsData(false),
      volumeTexture(0),
      channels(1),
      gradientData(nullptr),
      gradientTexture(0),
      extraClipEnabled(false),
      clipDistance(50),
      angleZ(0.0f),
      angleX(0.0f),
      sliceCount(200),
      sliceList(0),
      cgContext(nullptr),
      vertexProfile(static_cast<CGprofile>(0)),
      fragmentProfile(static_cast<CGprofile>(0)),
      vertexProgram(nullptr),
      fragmentProgram(nullptr),
      lightPosParam(nullptr),
      transferTexture(0) {}

// The single instance lives until the process ends; nothing to release.
VolRender::~VolRender() {}

void VolRender::Init() {
  gluxInit(0);

  glGenTextures(1, &volumeTexture);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_3D, volumeTexture);
  glGenTextures(1, &gradientTexture);
  // Stays bound on unit 0's 2D target: SetTransferFunction uploads into it.
  glGenTextures(1, &transferTexture);
  glBindTexture(GL_TEXTURE_2D, transferTexture);

  float table[4 * kTransferEntries];
  FillInitialTransferTable(table);
  SetTransferFunction(table);

  InitShaders();

  sliceList = glGenLists(1);
  BuildSlices();
}

void VolRender::SetTransferFunction(const float* table) {
  std::copy(table, table + 4 * kTransferEntries, transfer_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTransferEntries, 1, 0, GL_RGBA, GL_FLOAT, table);
  // An opened volume's 16-bit values fall between entries: they read both.
  const GLint filter = precise_ ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  if (!precise_) return;
  slabTable_.SetTransfer(table);
  if (!bricks_) return;
  bricks_->UpdateVisibility(table);
  footprintBricks_->UpdateVisibility(table);
  visibleBricks_ = footprintBricks_->VisibleBricks();
}

void VolRender::UploadVolume() {
  // Shown as a cube and lit per voxel, whatever its sizes.
  proportions_[0] = proportions_[1] = proportions_[2] = 1.0f;
  gradientScale_ = {1.0, 1.0, 1.0};
  glBindTexture(GL_TEXTURE_3D, volumeTexture);
  if (data != nullptr) {  // no volume yet: keep the texture as it is
    if (channels == 1) {
      UploadVolumeTexture(gVolumeMips, 4, GL_ALPHA, sizeX, sizeY, sizeZ, data);
    } else {
      // Only level 0, from the voxels as given: GL clamps them itself.
      gluBuild3DMipmapLevels(GL_TEXTURE_3D, GL_RGBA, sizeX, sizeY, sizeZ, GL_RGBA, GL_FLOAT, 0, 0,
                             0, data);
    }
  }
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void VolRender::SetData(float* buffer, int32_t x, int32_t y, int32_t z) {
  AdoptData(buffer, x, y, z);
  UploadVolume();
}

void VolRender::ShowVolume(float* buffer, int32_t x, int32_t y, int32_t z,
                           const std::array<float, 3>& shape) {
  ReleaseUploadBuffers();
  AdoptData(buffer, x, y, z);
  SetProportions(shape[0], shape[1], shape[2]);
  BuildGradients();
  ReleaseUploadBuffers();
  UploadVolume();
  SetProportions(shape[0], shape[1], shape[2]);
  ReleaseUploadBuffers();
}

void VolRender::AdoptData(float* buffer, int32_t x, int32_t y, int32_t z) {
  sizeX = x;
  sizeY = y;
  sizeZ = z;
  // Our own buffer handed back stays ours: releasing it would free the
  // voxels about to be uploaded.
  if (buffer != data) {
    if (data != nullptr && ownsData) delete[] data;
    data = buffer;
    ownsData = false;
  }
  channels = 1;
  // Whatever comes next is not the precise volume the bricks describe.
  precise_ = false;
  bricks_.reset();
  footprintBricks_.reset();
  visibleBricks_.clear();
}

void VolRender::SetProportions(float x, float y, float z) {
  proportions_[0] = x;
  proportions_[1] = y;
  proportions_[2] = z;
  gradientScale_ = GradientAxisScale({sizeX, sizeY, sizeZ}, {x, y, z});
}

namespace {

// Size of the last gradient buffer handed out, so a volume of the same size
// (every fluid frame) reuses it: touching a fresh 60 MB buffer costs far more
// than the gradient pass itself.
struct GradientAllocation {
  const float* buffer = nullptr;
  size_t voxels = 0;
};
GradientAllocation gLastGradientAllocation;

}  // namespace

void VolRender::BuildGradients() {
  // 0 for sizes no buffer can hold: never reusable, and the allocation fails.
  const size_t voxels = VoxelElementCount(sizeX, sizeY, sizeZ, 1);
  const bool reusable = gradientData != nullptr && data != nullptr &&
                        gradientData == gLastGradientAllocation.buffer &&
                        voxels == gLastGradientAllocation.voxels;
  if (!reusable) {
    ReleaseGradientBuffer(gradientData);
    gradientData = nullptr;
    if (data == nullptr) return;
    // Null when the sizes cannot be held or memory runs out: the gradient
    // texture then keeps its last contents and drawing goes on.
    gradientData = AllocateGradientBuffer(sizeX, sizeY, sizeZ);
    gLastGradientAllocation = {gradientData, voxels};
    if (gradientData == nullptr) return;
  }
  ComputeGradients(data, sizeX, sizeY, sizeZ, gradientScale_, gradientData);

  glBindTexture(GL_TEXTURE_3D, gradientTexture);
  UploadVolumeTexture(gGradientMips, 3, GL_RGB, sizeX, sizeY, sizeZ, gradientData);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void VolRender::ReleaseUploadBuffers() {
  gVolumeMips.Release();
  gGradientMips.Release();
  ReleaseGradientBuffer(gradientData);
  gradientData = nullptr;
  gLastGradientAllocation = {};
}

bool VolRender::CountFragments() {
  counting_ = FragmentCounter::Supported();
  return counting_;
}

FragmentCounts VolRender::TakeFragmentCounts() { return counting_ ? fragmentCounter_.Take() : FragmentCounts{}; }
