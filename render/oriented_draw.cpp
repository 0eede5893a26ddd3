// Drawing an opened volume: turned by a rotation of any kind, shown whole,
// in one of the render modes.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "glux/glux_blend_minmax.h"
#include "glux/glux_multitexture.h"
#include "render/clip_planes.h"
#include "render/device_rect.h"
#include "render/vol_render.h"

namespace {

// Column-major 4x4 of a row-major 3x3.
void MultiplyMatrix(const std::array<double, 9>& m) {
  const GLdouble columns[16] = {m[0], m[3], m[6], 0, m[1], m[4], m[7], 0,
                                m[2], m[5], m[8], 0, 0,    0,    0,    1};
  glMultMatrixd(columns);
}

// Front to back, the pixels hidden so far are marked after every this many
// slices: a mark costs a fraction of a slice.
constexpr int64_t kSlicesPerMark = 8;

void SetVec3(CGprogram program, const char* name, float x, float y, float z) {
  const float value[3] = {x, y, z};
  cgGLSetParameter3fv(cgGetNamedParameter(program, name), value);
}

}  // namespace

void VolRender::DrawOriented(const DrawInputs& inputs) {
  const RenderMode mode = inputs.mode;
  const int32_t sliceCount = inputs.sliceCount;
  const Rotation& orientation = inputs.orientation;
  const ModePrograms& programs = modePrograms_[static_cast<int>(mode)];
  const bool composite = mode == RenderMode::Composite;
  const bool preintegrated = composite && precise_;
  // Cuts need an opened volume's programs; without cuts the plain pass
  // costs what it always did.
  const VolumeCuts& cuts = inputs.cuts;
  const bool cut = precise_ && cuts.Any();
  const bool frontToBack = DrawsFrontToBack(inputs);
  if (frontToBack) PrepareFrontToBack();
  CGprogram pass = cut                       ? CutPass(mode, cuts, frontToBack)
                   : programs.pass != nullptr ? programs.pass
                   : frontToBack              ? frontToBackProgram_
                   : preintegrated            ? preintegratedProgram_
                                              : fragmentProgram;
  cgGLBindProgram(pass);
  if (cut) SetCuts(pass, inputs);

  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_3D, volumeTexture);
  glEnable(GL_TEXTURE_3D);
  cgGLEnableProfile(vertexProfile);
  cgGLEnableProfile(fragmentProfile);

  // Composite draws only what the table can show; the projections and the
  // iso-surface leave the table's opacity out, so they need all of it, and
  // slices shown inside are opaque wherever they lie. All within the crop.
  TextureBox within = WholeTextureBox();
  if (cut) {
    for (int axis = 0; axis < 3; ++axis) {
      const double scale = inputs.shownScale[axis], offset = inputs.shownOffset[axis];
      within.lo[axis] = static_cast<float>(std::clamp((cuts.cropLow[axis] - offset) / scale, 0.0, 1.0));
      within.hi[axis] = static_cast<float>(std::clamp((cuts.cropHigh[axis] - offset) / scale, 0.0, 1.0));
      within.empty = within.empty || within.lo[axis] >= within.hi[axis];
    }
  }
  const bool planes = cut && (cuts.planes[0] || cuts.planes[1] || cuts.planes[2]);
  const TextureBox shown = composite && !planes ? VisibleBox(within) : within;
  std::array<double, 3> centre{}, half{};
  for (int axis = 0; axis < 3; ++axis) {
    const double side = kLongestSide * proportions_[axis];
    // A slice samples the slab in front of it too: the box grows by one
    // slab, so no slab that reaches into it is clipped away.
    const double slab = sliceCount > 0 ? kLongestSide / sliceCount / side : 0.0;
    const double lo = (std::max(0.0, shown.lo[axis] - slab) - 0.5) * side;
    const double hi = (std::min(1.0, shown.hi[axis] + slab) - 0.5) * side;
    centre[axis] = (lo + hi) / 2;
    half[axis] = (hi - lo) / 2;
  }
  SetClipPlanesEnabled(true);
  glTranslated(0.0, 0.0, -kVolumeEyeDistance);
  if (inputs.viewClip) SetClipPlane(GL_CLIP_PLANE5, 0.0, -0.5, -2.0, inputs.clipDistance);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glPushMatrix();
  MultiplyMatrix(orientation);
  SetClipPlane(GL_CLIP_PLANE0, -1.0, 0.0, 0.0, centre[0] + half[0]);
  SetClipPlane(GL_CLIP_PLANE1, 1.0, 0.0, 0.0, half[0] - centre[0]);
  SetClipPlane(GL_CLIP_PLANE2, 0.0, -1.0, 0.0, centre[1] + half[1]);
  SetClipPlane(GL_CLIP_PLANE3, 0.0, 1.0, 0.0, half[1] - centre[1]);
  SetClipPlane(GL_CLIP_PLANE4, 0.0, 0.0, -1.0, centre[2] + half[2]);
  if (!inputs.viewClip) SetClipPlane(GL_CLIP_PLANE5, 0.0, 0.0, 1.0, half[2] - centre[2]);
  const bool culled = cut && cuts.clip && CullClippedSlabs(inputs, sliceCount);
  glPopMatrix();

  BindShadingTextures();
  if (preintegrated) {
    glActiveTextureARB(GL_TEXTURE4_ARB);
    slabTable_.Bind(static_cast<float>(kLongestSide / sliceCount));
    glActiveTextureARB(GL_TEXTURE0_ARB);
  }

  // Slices carry their eye position over the longest side, z negated, as
  // texture coordinate, so r grows away from the viewer and the texture
  // matrix is a turn and a scale as in the built-in stack (the fragment
  // program's light relies on both); it takes them into the turned
  // volume's [0, 1] cube.
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glTranslatef(0.5f, 0.5f, 0.5f);
  glScalef(1.0f / proportions_[0], 1.0f / proportions_[1], 1.0f / proportions_[2]);
  const Rotation& r = orientation;
  MultiplyMatrix({r[0], r[3], -r[6], r[1], r[4], -r[7], r[2], r[5], -r[8]});

  std::array<double, 3> eyeCentre{};
  for (int row = 0; row < 3; ++row) {
    for (int k = 0; k < 3; ++k) eyeCentre[row] += r[3 * row + k] * centre[k];
  }
  const std::array<double, 3> extents = EyeHalfExtents(orientation, half);
  if (mode == RenderMode::Iso) SetVec3(pass, "isoLevel", inputs.isoLevel, 0.0f, 0.0f);
  if (precise_) SetVec3(pass, "gradientRange", gradientRange_, 0.0f, 0.0f);
  glEnable(GL_BLEND);
  bool projected = false;
  CGprogram resolve = programs.resolve;
  GLenum resolveFactor = GL_SRC_ALPHA;
  if (frontToBack) {
    // Premultiplied, each slice under those in front: a pixel's alpha is
    // then the opacity in front of it, which the marks of hidden pixels read.
    const float clear[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    // Only the box's part of the window is cleared, marked and put on
    // screen; the slices reach a spacing beyond it along z.
    const double spacing = kLongestSide / sliceCount;
    SetMarkArea({eyeCentre[0] - extents[0], eyeCentre[1] - extents[1], eyeCentre[2] - extents[2] - spacing},
                {eyeCentre[0] + extents[0], eyeCentre[1] + extents[1], eyeCentre[2] + extents[2] + spacing});
    if (!shown.empty && compositeTarget_.Begin(clear, &markArea_)) {
      BeginFrontToBack(inputs.stopOpacity);
      glBlendFunc(GL_ONE_MINUS_DST_ALPHA, GL_ONE);
      // Slices shown inside are drawn wherever they lie, empty bricks or not.
      DrawSlicesAcross(eyeCentre, extents, sliceCount, pass, true, planes ? nullptr : &orientation);
      EndFrontToBack();
      compositeTarget_.End();
      projected = true;
      resolve = compositeResolve_;
      resolveFactor = GL_ONE;
    }
  } else if (programs.resolve == nullptr) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (!shown.empty) DrawSlicesAcross(eyeCentre, extents, sliceCount, pass, false, nullptr);
  } else {
    // Minimum starts from the top value and marks covered pixels with 0.
    const bool minimum = mode == RenderMode::Minimum;
    const float clear[4] = {minimum ? 1.0f : 0.0f, 0.0f, 0.0f, minimum ? 1.0f : 0.0f};
    if (projectionTarget_.Begin(clear)) {
      glBlendFunc(GL_ONE, GL_ONE);
      if (mode == RenderMode::Maximum) glBlendEquationEXT(GL_MAX_EXT);
      if (minimum) glBlendEquationEXT(GL_MIN_EXT);
      DrawSlicesAcross(eyeCentre, extents, sliceCount, pass, false, nullptr);
      if (mode != RenderMode::Average) glBlendEquationEXT(GL_FUNC_ADD_EXT);
      projectionTarget_.End();
      projected = true;
    }
  }

  glDisable(GL_TEXTURE_3D);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  SetClipPlanesEnabled(false);
  if (culled) glDisable(GL_CLIP_PLANE0 + 6);
  if (projected) {
    static const std::array<double, 4> kWhole{-1.0, -1.0, 1.0, 1.0};
    ResolveProjection(frontToBack ? compositeTarget_ : projectionTarget_, resolve, resolveFactor,
                      frontToBack ? markArea_ : kWhole);
  }

  cgGLDisableProfile(vertexProfile);
  cgGLDisableProfile(fragmentProfile);
  // The composite program stays bound, as Draw expects it.
  cgGLBindProgram(fragmentProgram);

  ReleaseShadingTextures();
}

bool VolRender::CullClippedSlabs(const DrawInputs& inputs, int32_t sliceCount) {
  GLint planes = 0;
  glGetIntegerv(GL_MAX_CLIP_PLANES, &planes);
  if (planes < 7 || sliceCount <= 0) return false;
  // The clip plane n . w + offset >= 0 in model units, where texture
  // coordinate t = m / side + 1/2 and w = t * scale + offset per axis.
  const VolumeCuts& cuts = inputs.cuts;
  std::array<double, 3> a{};
  double d = cuts.clipOffset, length = 0;
  for (int axis = 0; axis < 3; ++axis) {
    const double side = kLongestSide * proportions_[axis], scale = inputs.shownScale[axis];
    a[axis] = cuts.clipNormal[axis] * scale / side;
    d += cuts.clipNormal[axis] * (0.5 * scale + inputs.shownOffset[axis]);
    length += a[axis] * a[axis];
  }
  // A fragment shows the slab in front of its slice: one whose slab may
  // still reach the kept side stays, a slab's length and a little more.
  const double slab = kLongestSide / sliceCount;
  SetClipPlane(GL_CLIP_PLANE0 + 6, a[0], a[1], a[2], d + std::sqrt(length) * slab * 1.01);
  glEnable(GL_CLIP_PLANE0 + 6);
  return true;
}

void VolRender::DrawSlicesAcross(const std::array<double, 3>& centre,
                                 const std::array<double, 3>& eyeHalfExtents, int32_t sliceCount,
                                 CGprogram program, bool frontToBack, const Rotation* skipEmptyAt) {
  if (sliceCount <= 0) return;
  // sliceCount slices span the volume's longest side, whatever the turn or
  // the part drawn: the spacing, and all that depends on it, stays put, and
  // the planes keep their places as the part drawn changes.
  const double spacing = kLongestSide / sliceCount;
  const double back = centre[2] - eyeHalfExtents[2];
  const double front = centre[2] + eyeHalfExtents[2];
  const int64_t first = static_cast<int64_t>(std::floor(back / spacing));
  const int64_t end = static_cast<int64_t>(std::ceil(front / spacing));
  // Spacing per model unit, as the built-in stack's opacities are made for
  // one slice per unit; and in texture r.
  SetVec3(program, "sliceSpacing", static_cast<float>(spacing),
          static_cast<float>(spacing / kLongestSide), 0.0f);
  const double boxX0 = centre[0] - eyeHalfExtents[0], boxX1 = centre[0] + eyeHalfExtents[0];
  const double boxY0 = centre[1] - eyeHalfExtents[1], boxY1 = centre[1] + eyeHalfExtents[1];
  TileGrid grid;
  if (skipEmptyAt != nullptr) {
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (SliceWindows(modelview, projection, viewport, spacing, first, end - first, sliceWindows_)) {
      const std::array<double, 3> sides{kLongestSide * proportions_[0], kLongestSide * proportions_[1],
                                        kLongestSide * proportions_[2]};
      BrickEyeBounds(visibleBricks_, *skipEmptyAt, sides, brickEyeBounds_);
      grid = TileGridOver(viewport[0], viewport[1], viewport[2], viewport[3]);
      // A fragment reads its slab and the jitter's spacing towards the viewer.
      SliceFootprints(brickEyeBounds_, spacing, first, end - first, 2.01 * spacing, sliceWindows_, grid, sliceTiles_);
    } else {
      // No tiles fit such a view: the whole box, as without bricks.
      skipEmptyAt = nullptr;
    }
  }
  if (counting_) fragmentCounter_.BeginStretch();
  glBegin(GL_QUADS);
  // Each slice at the far end of the slab it stands for.
  for (int64_t n = 0; n < end - first; ++n) {
    if (frontToBack && n > 0 && n % kSlicesPerMark == 0) {
      glEnd();
      if (counting_) fragmentCounter_.EndStretch();
      MarkHiddenPixels(program);
      if (counting_) fragmentCounter_.BeginStretch();
      glBegin(GL_QUADS);
    }
    const int64_t i = frontToBack ? end - 1 - n : first + n;
    const double z = spacing * static_cast<double>(i);
    const double r = -z / kLongestSide;
    // One quad of the slice, cut to the box.
    const auto quad = [&](double x0, double y0, double x1, double y1) {
      x0 = std::max(x0, boxX0);
      x1 = std::min(x1, boxX1);
      y0 = std::max(y0, boxY0);
      y1 = std::min(y1, boxY1);
      if (x1 <= x0 || y1 <= y0) return;
      const double s0 = x0 / kLongestSide, s1 = x1 / kLongestSide;
      const double t0 = y0 / kLongestSide, t1 = y1 / kLongestSide;
      glTexCoord3d(s0, t0, r);
      glVertex3d(x0, y0, z);
      glTexCoord3d(s1, t0, r);
      glVertex3d(x1, y0, z);
      glTexCoord3d(s1, t1, r);
      glVertex3d(x1, y1, z);
      glTexCoord3d(s0, t1, r);
      glVertex3d(x0, y1, z);
    };
    if (skipEmptyAt == nullptr) {
      quad(boxX0, boxY0, boxX1, boxY1);
      continue;
    }
    // The needed tiles as few rectangles, each a quad along the tiles'
    // edges in the window.
    const SliceTiles& tiles = sliceTiles_[static_cast<size_t>(i - first)];
    if (!tiles.any) continue;
    const SliceWindow& window = sliceWindows_[static_cast<size_t>(i - first)];
    const auto eyeX = [&](int column) { return (grid.x0 + column * grid.size - window.offsetX) / window.scaleX; };
    const auto eyeY = [&](int row) { return (grid.y0 + row * grid.size - window.offsetY) / window.scaleY; };
    TileRectangles(tiles, grid, tileRects_);
    for (const TileRect& rect : tileRects_) {
      const double xa = eyeX(rect.column0), xb = eyeX(rect.column1);
      const double ya = eyeY(rect.row0), yb = eyeY(rect.row1);
      quad(std::min(xa, xb), std::min(ya, yb), std::max(xa, xb), std::max(ya, yb));
    }
  }
  glEnd();
  if (counting_) fragmentCounter_.EndStretch();
}

void VolRender::ResolveProjection(const ProjectionTarget& target, CGprogram resolve, GLenum sourceFactor,
                                  const std::array<double, 4>& area) {
  cgGLBindProgram(resolve);
  // The fragments' window coordinates start at the viewport's corner, which
  // a pane of a split window puts off the window's.
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  SetVec3(resolve, "viewportSize", static_cast<float>(target.width()), static_cast<float>(target.height()),
          0.0f);
  SetVec3(resolve, "viewportOrigin", static_cast<float>(viewport[0]), static_cast<float>(viewport[1]),
          0.0f);
  glActiveTextureARB(GL_TEXTURE3_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, target.texture());
  glActiveTextureARB(GL_TEXTURE0_ARB);

  glBlendFunc(sourceFactor, GL_ONE_MINUS_SRC_ALPHA);
  DrawDeviceRect(area, 0.0);
  // What is drawn over the volume blends as it always did.
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  glActiveTextureARB(GL_TEXTURE3_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
}

void VolRender::SetCuts(CGprogram program, const DrawInputs& inputs) {
  const VolumeCuts& cuts = inputs.cuts;
  const auto set = [program](const char* name, const std::array<double, 3>& v) {
    SetVec3(program, name, static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]));
  };
  set("shownScale", inputs.shownScale);
  set("shownOffset", inputs.shownOffset);
  set("cropLow", cuts.cropLow);
  set("cropHigh", cuts.cropHigh);
  // Faces of the crop box inside the volume are cuts; its own faces are not.
  std::array<double, 3> cutLow{}, cutHigh{};
  for (int axis = 0; axis < 3; ++axis) {
    cutLow[axis] = cuts.cropLow[axis] > 0 ? 1 : 0;
    cutHigh[axis] = cuts.cropHigh[axis] < 1 ? 1 : 0;
  }
  set("cutLow", cutLow);
  set("cutHigh", cutHigh);
  set("clipNormal", cuts.clip ? cuts.clipNormal : std::array<double, 3>{0, 0, 0});
  SetVec3(program, "clipOffset", cuts.clip ? static_cast<float>(cuts.clipOffset) : 1.0f, 0.0f, 0.0f);
  SetVec3(program, "capGrey", 0.0f, static_cast<float>(cuts.capScale), static_cast<float>(cuts.capOffset));
  set("planeOn", {cuts.planes[0] ? 1.0 : 0.0, cuts.planes[1] ? 1.0 : 0.0, cuts.planes[2] ? 1.0 : 0.0});
  set("planeAt", cuts.planeAt);
  for (int axis = 0; axis < 3; ++axis) {
    glActiveTextureARB(GL_TEXTURE5_ARB + axis);
    glBindTexture(GL_TEXTURE_2D, planeTextures_[static_cast<size_t>(axis)]);
  }
  glActiveTextureARB(GL_TEXTURE0_ARB);
}
