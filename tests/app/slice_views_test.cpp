// The pure parts of the slice views: where the panes lie, how a pane lies
// over its slice, and the texts naming a point.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/cursor_text.h"
#include "app/pane_layout.h"
#include "app/slice_frame.h"
#include "app/view_keys.h"

namespace {

bool operator==(const PaneRect& a, const PaneRect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// The 3D layout is the whole window, its status line over the bottom edge;
// the others keep the status strip, and quad's panes tile the rest without
// gap or overlap at odd sizes too.
TEST(PaneLayout, PanesTileTheWindowAboveTheStatusLine) {
  const auto whole = ArrangePanes(Layout::Volume3d, 501, 333);
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_TRUE(whole[0].rect == (PaneRect{0, 0, 501, 333}));
  EXPECT_TRUE(whole[1].rect == (PaneRect{0, 315, 501, 18}));
  EXPECT_EQ(ArrangePanes(Layout::Volume3d, 501, 333, false).size(), 1u);
  const auto quad = ArrangePanes(Layout::Quad, 501, 333);
  ASSERT_EQ(quad.size(), 5u);
  EXPECT_EQ(quad[0].kind, PaneKind::Axial);
  EXPECT_TRUE(quad[1].rect == (PaneRect{250, 0, 251, 157}));
  EXPECT_TRUE(quad[3].rect == (PaneRect{250, 157, 251, 158}));
  EXPECT_TRUE(quad[4].rect == (PaneRect{0, 315, 501, 18}));
  int covered = 0;
  for (const PanePlacement& placed : quad) covered += placed.rect.width * placed.rect.height;
  EXPECT_EQ(covered, 501 * 333);
  const auto sagittal = ArrangePanes(Layout::Sagittal, 400, 300);
  EXPECT_EQ(sagittal[0].kind, PaneKind::Sagittal);
  EXPECT_TRUE(sagittal[0].rect == (PaneRect{0, 0, 400, 282}));
  EXPECT_EQ(ParseLayout("quad"), Layout::Quad);
  EXPECT_EQ(ParseLayout("Quad"), std::nullopt);
  EXPECT_STREQ(LayoutName(Layout::Volume3d), "3d");
}

VolumeInfo Head() {
  VolumeInfo info;
  info.sizes = {100, 80, 40};  // canonical: toward left, posterior, superior
  info.spacing = {1.0, 1.25, 2.5};
  info.anatomical = true;
  return info;
}

// Each plane shows its voxels the way the conventions turn them: what lies
// to the patient's left is on the screen's right (left with neurological),
// anterior and superior are up, and anterior is on the left of a sagittal
// slice. Pane and slice coordinates are each other's inverse.
TEST(SliceFrame, PlanesFaceTheWayTheConventionsSay) {
  const VolumeInfo info = Head();
  struct Case {
    SliceAxis axis;
    bool neurological;
    int right, down;
    double rightSign, downSign;
  } cases[] = {{SliceAxis::Axial, false, 0, 1, 1, 1},     {SliceAxis::Axial, true, 0, 1, -1, 1},
               {SliceAxis::Coronal, false, 0, 2, 1, -1},  {SliceAxis::Coronal, true, 0, 2, -1, -1},
               {SliceAxis::Sagittal, false, 1, 2, 1, -1}, {SliceAxis::Sagittal, true, 1, 2, 1, -1}};
  for (const Case& c : cases) {
    const SliceFrame frame = MakeSliceFrame(info, c.axis, c.neurological, {}, 300, 200);
    EXPECT_EQ(std::make_tuple(frame.right, frame.down, frame.rightSign, frame.downSign),
              std::make_tuple(c.right, c.down, c.rightSign, c.downSign))
        << static_cast<int>(c.axis) << c.neurological;
    const std::array<double, 2> uv = PaneToSlice(frame, 17.25, 150.5);
    const std::array<double, 2> back = SliceToPane(frame, uv[0], uv[1]);
    EXPECT_NEAR(back[0], 17.25, 1e-9);
    EXPECT_NEAR(back[1], 150.5, 1e-9);
  }
}

// At zoom 1 the slice fills the pane in its true proportions, centred: the
// axial slice (100 x 100 mm) in a 300 x 200 pane spans 200 pixels, from 50
// to 250; voxel centres sit half a voxel inside. The picture's mapping is
// PaneToSlice at pixel centres, rows bottom-up if asked.
TEST(SliceFrame, FitsTheSliceCentredAndThePictureSamplesPixelCentres) {
  const SliceFrame frame = MakeSliceFrame(Head(), SliceAxis::Axial, false, {}, 300, 200);
  EXPECT_DOUBLE_EQ(frame.pixelsPerMm, 2.0);
  EXPECT_NEAR(PaneToSlice(frame, 50, 0)[0], -0.5, 1e-12);
  EXPECT_NEAR(PaneToSlice(frame, 250, 200)[0], 99.5, 1e-12);
  EXPECT_NEAR(PaneToSlice(frame, 50, 0)[1], -0.5, 1e-12);  // 80 x 1.25 mm: as tall as wide
  const PixelMapping top = PictureMapping(frame, false), bottom = PictureMapping(frame, true);
  const std::array<double, 2> pixel = PaneToSlice(frame, 7.5, 3.5);
  EXPECT_NEAR(top.u0 + 7.5 * top.du, pixel[0], 1e-12);
  EXPECT_NEAR(top.v0 + 3.5 * top.dv, pixel[1], 1e-12);
  EXPECT_NEAR(bottom.v0 + (200 - 3.5) * bottom.dv, pixel[1], 1e-12);  // row 196 from the bottom
}

// Zooming keeps the point under the pointer, panning follows it, and a
// point on the slice keeps the cursor's position along the normal.
TEST(SliceFrame, ZoomKeepsThePointUnderThePointerAndPanFollowsIt) {
  const VolumeInfo info = Head();
  SlicePaneView view;
  SliceFrame frame = MakeSliceFrame(info, SliceAxis::Coronal, false, view, 320, 240);
  const std::array<double, 2> under = PaneToSlice(frame, 40, 200);
  ZoomSliceAbout(view, frame, 1.25 * 1.25, 40, 200);
  frame = MakeSliceFrame(info, SliceAxis::Coronal, false, view, 320, 240);
  EXPECT_NEAR(PaneToSlice(frame, 40, 200)[0], under[0], 1e-9);
  EXPECT_NEAR(PaneToSlice(frame, 40, 200)[1], under[1], 1e-9);
  const std::array<double, 2> before = SliceToPane(frame, 30, 20);
  PanSlice(view, frame, 12, -7);
  frame = MakeSliceFrame(info, SliceAxis::Coronal, false, view, 320, 240);
  const std::array<double, 2> after = SliceToPane(frame, 30, 20);
  EXPECT_NEAR(after[0] - before[0], 12, 1e-9);
  EXPECT_NEAR(after[1] - before[1], -7, 1e-9);
  const std::array<double, 3> point = PanePoint(frame, {3, 33.5, 7}, 100, 100);
  EXPECT_EQ(point[1], 33.5);
}

std::unique_ptr<Volume> SmallVolume(VoxelType type) {
  VolumeInfo info = Head();
  info.sizes = {4, 3, 2};
  info.origin = {10, 20, -30};  // LPS of the file's first voxel
  info.mapping.flip = {true, false, false};  // the file's x runs toward the right
  const size_t width = VoxelTypeBytes(type);
  VoxelBuffer voxels(new uint8_t[24 * width]);
  for (int i = 0; i < 24; ++i) {
    if (type == VoxelType::Int16) {
      const int16_t v = static_cast<int16_t>(-100 * i);
      std::memcpy(voxels.get() + 2 * i, &v, 2);
    } else {
      const float v = 0.5f * i;
      std::memcpy(voxels.get() + 4 * i, &v, 4);
    }
  }
  return std::make_unique<Volume>(info, type, std::move(voxels));
}

// Letters follow each number's sign as it is printed; the voxel is the one
// the point falls in, named in the file's own order; integers print whole.
TEST(CursorText, PositionVoxelAndValue) {
  const auto volume = SmallVolume(VoxelType::Int16);
  // Canonical (1.2, 1.6, 0.5) is file (1.8, 1.6, 0.5): LPS (11.8, 22, -28.75);
  // it falls in canonical voxel (1, 2, 1), the file's (2, 2, 1), the 21st.
  EXPECT_EQ(CursorLine(*volume, {1.2, 1.6, 0.5}),
            "Cursor: L -11.8 P -22.0 I -28.8 mm, voxel 2 2 1, value -2100");
  EXPECT_EQ(CoordinateText(volume->info(), 0, -0.04), "R 0.0");
  const auto floats = SmallVolume(VoxelType::Float32);
  EXPECT_EQ(VoxelText(*floats, {0, 0, 0}), "voxel 3 0 0, value 0");
  EXPECT_EQ(VoxelText(*floats, {3, 2, 1}), "voxel 0 2 1, value 11.5");
  EXPECT_EQ(EdgeLetter(volume->info(), 1, false), "A");
  VolumeInfo plain = volume->info();
  plain.anatomical = false;
  EXPECT_EQ(EdgeLetter(plain, 2, true), "+z");
  EXPECT_EQ(PositionText(plain, {0, 0, 0}), "x 10.0 y 20.0 z -30.0 mm");
}

// Within half a voxel beyond the outer centres a point is inside; further
// out it is clamped and reported.
TEST(CursorText, ClampToTheVoxelCentres) {
  const VolumeInfo info = SmallVolume(VoxelType::Int16)->info();
  Point3 near{-0.4, 2.45, 0.5};
  EXPECT_FALSE(ClampToVolume(info, near));
  EXPECT_EQ(near, (Point3{0, 2, 0.5}));
  Point3 far{1, 1, 9};
  EXPECT_TRUE(ClampToVolume(info, far));
  EXPECT_EQ(far, (Point3{1, 1, 1}));
}

// The slice views' keys: layouts in a round and by function key, the
// convention, the sampling, Esc for the ruler, and 0 for the slices' zoom.
TEST(ViewKeys, LayoutsConventionSamplingRulerAndZoom) {
  ViewState state;
  KeyContext context;
  std::string lines;
  for (int i = 0; i < 5; ++i) lines += ApplyViewKey(state, 'v', context).line + ";";
  EXPECT_EQ(lines, "Layout: axial;Layout: coronal;Layout: sagittal;Layout: quad;Layout: 3d;");
  EXPECT_EQ(ApplyViewSpecialKey(state, 5).line, "Layout: quad");  // GLUT_KEY_F5
  EXPECT_FALSE(ApplyViewSpecialKey(state, 6).handled);
  EXPECT_EQ(ApplyViewKey(state, 'N', context).line, "Slices: neurological (the patient's left on the left)");
  EXPECT_TRUE(state.neurological);
  ApplyViewKey(state, 'i', context);
  EXPECT_EQ(state.sampling, Sampling::Nearest);
  EXPECT_FALSE(ApplyViewKey(state, 27, context).handled);  // no ruler: Esc is not ours
  state.ruler.shown = true;
  EXPECT_TRUE(ApplyViewKey(state, 27, context).handled);
  EXPECT_FALSE(state.ruler.shown);
  state.slicePanes[1].zoom = 3;
  state.slicePanes[2].panDown = 5;
  ApplyViewKey(state, '0', context);
  EXPECT_EQ(state.slicePanes[1].zoom, 1.0);
  EXPECT_EQ(state.slicePanes[2].panDown, 0.0);
}

}  // namespace
