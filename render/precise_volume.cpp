// Opened volumes at full precision: 16-bit texels, smoothed 16-bit
// gradients, the pre-integrated table and the bricks it leaves visible.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "glux/glux_multitexture.h"
#include "render/smooth_gradients.h"
#include "render/vol_render.h"
#include "render/voxel_count.h"

namespace {

// One level, read with linear filtering, clamped at the faces.
void SetSingleLevelParameters() {
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

// Bricks of 2 voxels, or of 4 or 8 where there would be more than 64^3 of
// them: the finer the bricks, the less empty space the slices cover; the
// coarser, the less work per frame to find what each slice needs.
int32_t FootprintBrickVoxels(int32_t x, int32_t y, int32_t z) {
  int32_t size = 2;
  const auto bricks = [&size](int32_t n) { return double(BrickGrid::BricksAlong(n, size)); };
  while (size < BrickGrid::kBrickVoxels && bricks(x) * bricks(y) * bricks(z) > 64.0 * 64.0 * 64.0) size *= 2;
  return size;
}

}  // namespace

void VolRender::ShowPreciseVolume(float* texels, int32_t x, int32_t y, int32_t z,
                                  const std::array<float, 3>& shape) {
  ReleaseUploadBuffers();
  AdoptData(texels, x, y, z);
  SetProportions(shape[0], shape[1], shape[2]);
  const size_t voxels = VoxelElementCount(x, y, z, 1);
  {
    // Freed before the volume's upload, so the two never add up.
    std::vector<uint16_t> slopes(voxels * kSmoothGradientComponents);
    const float steepest = ComputeSmoothGradients16(texels, x, y, z, gradientScale_, slopes.data());
    gradientRange_ = steepest > 0.0f ? 1.0f / steepest : 0.0f;
    glBindTexture(GL_TEXTURE_3D, gradientTexture);
    glTexImage3D(GL_TEXTURE_3D, 0, GL_RGBA16, x, y, z, 0, GL_RGBA, GL_UNSIGNED_SHORT,
                 slopes.data());
    SetSingleLevelParameters();
  }
  glBindTexture(GL_TEXTURE_3D, volumeTexture);
  glTexImage3D(GL_TEXTURE_3D, 0, GL_ALPHA16, x, y, z, 0, GL_ALPHA, GL_FLOAT, texels);
  SetSingleLevelParameters();

  precise_ = true;
  bricks_.emplace(texels, x, y, z);
  footprintBricks_.emplace(texels, x, y, z, FootprintBrickVoxels(x, y, z));
  if (preintegratedProgram_ == nullptr) preintegratedProgram_ = CompileFragmentVariant({"-DPREINTEGRATED"});
  // Again, now interpolated, integrated over slabs and told to the bricks.
  const std::vector<float> table(transfer_, transfer_ + 4 * kTransferEntries);
  SetTransferFunction(table.data());
}

TextureBox VolRender::VisibleBox(const TextureBox& within) const {
  if (bricks_) return bricks_->VisibleBox(within);
  return within;
}

std::vector<TextureBox> VolRender::VisibleBricks() const {
  if (bricks_) return bricks_->VisibleBricks();
  return {WholeTextureBox()};
}

double VolRender::SkippedBrickFraction() const { return bricks_ ? bricks_->SkippedFraction() : 0.0; }

void VolRender::SetPlanePicture(int axis, int32_t width, int32_t height, const uint8_t* grey) {
  GLuint& texture = planeTextures_[static_cast<size_t>(axis)];
  if (texture == 0) glGenTextures(1, &texture);
  // Unit 5 and up are the planes' own: unit 0's 2D binding stays the table's.
  glActiveTextureARB(GL_TEXTURE5_ARB + axis);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE8, width, height, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, grey);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glActiveTextureARB(GL_TEXTURE0_ARB);
}
