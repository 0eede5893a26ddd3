#include <GL/gl.h>

#include <vector>

#include "glux/glux_multitexture.h"
#include "render/clip_planes.h"
#include "render/slice_geometry.h"
#include "render/vol_render.h"

namespace {

// The stack the fragment program's opacities are made for.
constexpr float kReferenceSliceCount = 200.0f;

// Each slice stands for the slab between it and the next, so the fragment
// program scales its opacity by the spacing: the picture then keeps its
// density whatever the slice count.
void PassSliceSpacing(CGprogram fragmentProgram, int32_t sliceCount) {
  if (!fragmentProgram || sliceCount <= 0) return;
  const float spacing[3] = {kReferenceSliceCount / static_cast<float>(sliceCount),
                            1.0f / static_cast<float>(sliceCount), 0.0f};
  cgGLSetParameter3fv(cgGetNamedParameter(fragmentProgram, "sliceSpacing"), spacing);
}

}  // namespace

void VolRender::BuildSlices() {
  const std::vector<SlicePlacement> stack = PlanSliceStack(sliceCount, sizeZ);
  glNewList(sliceList, GL_COMPILE);
  for (const SlicePlacement& slice : stack) {
    glBegin(GL_QUADS);
    glTexCoord3f(0.0f, 0.0f, slice.r);
    glVertex3f(-100.0f, -100.0f, slice.z);
    glTexCoord3f(1.0f, 0.0f, slice.r);
    glVertex3f(100.0f, -100.0f, slice.z);
    glTexCoord3f(1.0f, 1.0f, slice.r);
    glVertex3f(100.0f, 100.0f, slice.z);
    glTexCoord3f(0.0f, 1.0f, slice.r);
    glVertex3f(-100.0f, 100.0f, slice.z);
    glEnd();
  }
  glEndList();
  PassSliceSpacing(fragmentProgram, sliceCount);
}

void VolRender::Draw() {
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_3D, volumeTexture);
  glEnable(GL_TEXTURE_3D);

  cgGLEnableProfile(vertexProfile);
  cgGLEnableProfile(fragmentProfile);

  SetClipPlanesEnabled(true);
  const double dx = BoxHalfExtent(sizeX) * proportions_[0];
  const double dy = BoxHalfExtent(sizeY) * proportions_[1];
  const double dz = BoxHalfExtent(sizeZ) * proportions_[2];

  // Left on the modelview: the overlay drawn after the volume uses it.
  glTranslatef(0.0f, 0.0f, -250.0f);
  // Given before the rotation, so this plane stays fixed to the viewer.
  if (extraClipEnabled) SetClipPlane(GL_CLIP_PLANE5, 0.0, -0.5, -2.0, clipDistance);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

  glPushMatrix();
  glRotatef(angleZ, 0.0f, 0.0f, 1.0f);
  glRotatef(angleX, -1.0f, 0.0f, 0.0f);
  SetClipPlane(GL_CLIP_PLANE0, -1.0, 0.0, 0.0, dx);
  SetClipPlane(GL_CLIP_PLANE1, 1.0, 0.0, 0.0, dx);
  SetClipPlane(GL_CLIP_PLANE2, 0.0, -1.0, 0.0, dy);
  SetClipPlane(GL_CLIP_PLANE3, 0.0, 1.0, 0.0, dy);
  SetClipPlane(GL_CLIP_PLANE4, 0.0, 0.0, -1.0, dz);
  if (!extraClipEnabled) SetClipPlane(GL_CLIP_PLANE5, 0.0, 0.0, 1.0, dz);
  glPopMatrix();

  BindShadingTextures();
  glEnable(GL_TEXTURE_3D);

  // The volume turns inside the fixed stack through texture matrix 0.
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glTranslatef(0.5f, 0.5f, 0.5f);
  // A flatter box spans less of the stack: the texture stretches to fill it.
  if (proportions_[0] != 1.0f || proportions_[1] != 1.0f || proportions_[2] != 1.0f) {
    glScalef(1.0f / proportions_[0], 1.0f / proportions_[1], 1.0f / proportions_[2]);
  }
  glRotatef(angleX, -1.0f, 0.0f, 0.0f);
  glRotatef(angleZ, 0.0f, 0.0f, -1.0f);
  glTranslatef(-0.5f, -0.5f, -0.5f);

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glCallList(sliceList);

  glDisable(GL_TEXTURE_3D);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);

  cgGLDisableProfile(vertexProfile);
  cgGLDisableProfile(fragmentProfile);

  ReleaseShadingTextures();

  SetClipPlanesEnabled(false);
}

void VolRender::BindShadingTextures() {
  glActiveTextureARB(GL_TEXTURE2_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, transferTexture);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_3D);
  glBindTexture(GL_TEXTURE_3D, gradientTexture);
  glActiveTextureARB(GL_TEXTURE0_ARB);
}

void VolRender::ReleaseShadingTextures() {
  glActiveTextureARB(GL_TEXTURE2_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_3D);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_3D);
  glDisable(GL_TEXTURE_2D);
}
