// Crop box, clip plane and crop handles: RAS in, the renderer's box
// coordinates out, and the pointer's faces.
#include "app/volume_cuts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/crop_handles.h"
#include "app/view_keys.h"
#include "app/volume_camera.h"
#include "files/volume_space.h"
#include "tests/app/nifti_like_scan.h"

namespace {

// --crop 0:,, keeps x >= 0: with the file's x running right from x = 10 mm
// the whole volume; from x = 50 on, what lies right of it. Ends may be
// left out, an empty field keeps an axis, and a box beside the volume is
// none.
TEST(VolumeCuts, CropFromRasAlongTheNearestAxes) {
  const VolumeInfo info = NiftiLikeScan();
  CropRequest right{};
  right[0].low = 50.0;  // file voxels 20 and on: canonical (toward the left) 0 to 19
  right[2] = {11.0, 29.0};  // z: voxel centres 5 + 3 k, so k from 2 to 8
  const std::optional<CropBox> crop = CropFromRas(info, right);
  ASSERT_TRUE(crop);
  EXPECT_NEAR(crop->low[0], 0.0, 1e-9);
  EXPECT_NEAR(crop->high[0], 19.5, 1e-9);  // x = 50: the centre of file voxel 20, canonical 19
  EXPECT_NEAR(crop->low[1], 0.0, 1e-9);
  EXPECT_NEAR(crop->high[1], 30.0, 1e-9);
  EXPECT_NEAR(crop->low[2], 2.5, 1e-9);
  EXPECT_NEAR(crop->high[2], 8.5, 1e-9);
  EXPECT_EQ(CropLine(info, *crop), "Crop (RAS mm): R 50.0..89.0, A -21.3..53.8, S 11.0..29.0");
  CropRequest beside{};
  beside[1].high = -100.0;
  EXPECT_FALSE(CropFromRas(info, beside));
  EXPECT_EQ(CropLine(info, WholeCrop(info)), "Crop (RAS mm): R 9.0..89.0, A -21.3..53.8, S 3.5..63.5");
}

TEST(VolumeCuts, ClipNumbersAndLine) {
  EXPECT_FALSE(ClipFromNumbers({0, 0, 0, 5}));
  const ClipPlane clip = *ClipFromNumbers({0, -3, 4, 12.34});
  EXPECT_NEAR(clip.normal[1], -0.6, 1e-12);
  EXPECT_EQ(ClipLine(clip), "Clip: --clip 0.000,-0.600,0.800,12.3");
}

double Side(const VolumeCuts& cuts, const Point3& w) {
  return cuts.clipNormal[0] * w[0] + cuts.clipNormal[1] * w[1] + cuts.clipNormal[2] * w[2] + cuts.clipOffset;
}

// The plane the renderer takes in box coordinates keeps exactly the points
// the RAS plane keeps; the frozen view-fixed plane keeps what the renderer
// kept in the view when it was frozen, turned and zoomed into a part.
TEST(VolumeCuts, ClipPlanesKeepTheSamePointsInEveryFrame) {
  const VolumeInfo info = NiftiLikeScan();
  ViewState state;
  state.crop = WholeCrop(info);
  state.window = state.sliceWindow = {0, 1};
  state.clip = *ClipFromNumbers({1, 2, -0.5, 30});
  const VolumeCuts cuts = RendererCuts(info, state);
  ASSERT_TRUE(cuts.clip);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 200; ++i) {
    const Point3 w{unit(random), unit(random), unit(random)};
    const Point3 ras = CanonicalToRas(info, {w[0] * 40 - 0.5, w[1] * 30 - 0.5, w[2] * 20 - 0.5});
    const double kept = ras[0] * state.clip.normal[0] + ras[1] * state.clip.normal[1] +
                        ras[2] * state.clip.normal[2] - state.clip.distance;
    EXPECT_EQ(Side(cuts, w) >= 0, kept >= 0) << i;
  }

  const Rotation rotation = TurnAboutEyeX(TurnAboutEyeY(ViewRotation(AnatomicalView::Left), 30), -20);
  VolumeBox part;
  part.origin = {5, 0, 2};
  part.extent = {20, 30, 16};
  const std::array<float, 3> proportions{40.0f / 75, 1.0f, 48.0f / 75};  // 40, 75, 48 mm
  const int distance = 14;
  const ClipPlane frozen = FreezeViewClip(info, part, proportions, rotation, distance);
  for (int i = 0; i < 200; ++i) {
    // A model point, its eye-frame position, and the renderer's view plane there.
    Point3 m{}, c{};
    for (int a = 0; a < 3; ++a) {
      const double t = unit(random);
      m[a] = (t - 0.5) * 200 * proportions[a];
      c[a] = part.origin[a] + t * part.extent[a] - 0.5;
    }
    double q[3];
    for (int k = 0; k < 3; ++k) q[k] = rotation[3 * k] * m[0] + rotation[3 * k + 1] * m[1] + rotation[3 * k + 2] * m[2];
    const bool viewKeeps = -0.5 * q[1] - 2 * q[2] + distance >= 0;
    const Point3 ras = CanonicalToRas(info, c);
    const double side = ras[0] * frozen.normal[0] + ras[1] * frozen.normal[1] + ras[2] * frozen.normal[2];
    EXPECT_EQ(side >= frozen.distance, viewKeeps) << i;
  }
}

// Caps and slices only where the mode has surfaces; a cap's grey follows
// the slice window; the crop in box coordinates.
TEST(VolumeCuts, CapsPlanesAndCropForTheRenderer) {
  const VolumeInfo info = NiftiLikeScan();
  ViewState state;
  state.crop = WholeCrop(info);
  state.crop.high[0] = 10;
  state.window = {-1000, 1000};
  state.sliceWindow = {0, 500};
  state.planes = {false, true, false};
  state.cursor = {3, 14.5, 0};
  VolumeCuts cuts = RendererCuts(info, state);
  EXPECT_EQ(cuts.cropHigh[0], 0.25);
  EXPECT_TRUE(cuts.caps && cuts.planes[1] && !cuts.planes[0]);
  EXPECT_EQ(cuts.planeAt[1], 0.5);
  // A texel of 0.75 is the value 500, the slice window's top.
  EXPECT_NEAR(0.75 * cuts.capScale + cuts.capOffset, 1.0, 1e-12);
  state.mode = RenderMode::Maximum;
  cuts = RendererCuts(info, state);
  EXPECT_FALSE(cuts.caps || cuts.planes[1]);
}

// From the front the face nearest the viewer is the anterior one (low along
// canonical axis 1); the patient's left face is dragged right to grow.
TEST(CropHandles, FaceUnderThePointerAndDragsAlongItsNormal) {
  const VolumeInfo info = NiftiLikeScan();
  CameraState camera = StartCamera({AnatomicalView::Anterior, 1.0, false});
  VolumeBox whole;
  whole.extent = {40, 30, 20};
  const std::array<float, 3> proportions{80.0f / 80, 75.0f / 80, 60.0f / 80};
  CropBox crop = WholeCrop(info);
  const ModelBox box = CropModelBox(crop, whole, proportions);
  const CropFace front = FaceUnderPointer(camera, 400, 400, 200, 200, box);
  EXPECT_EQ(std::make_pair(front.axis, front.high), std::make_pair(1, false));
  // The left face's centre, seen from the front at an angle so that it shows.
  camera.rotation = TurnAboutEyeY(camera.rotation, -40);
  const std::array<double, 2> left = ModelToPane(camera, 400, 400, {box.high[0], 0, 0});
  const CropFace face = FaceUnderPointer(camera, 400, 400, left[0] - 2, left[1], box);
  ASSERT_EQ(std::make_pair(face.axis, face.high), std::make_pair(0, true));
  DragCropFace(crop, face, -30, 0, camera, 400, 400, whole, proportions, info.sizes);
  EXPECT_LT(crop.high[0], 40);
  const double shrunk = crop.high[0];
  DragCropFace(crop, face, 10, 0, camera, 400, 400, whole, proportions, info.sizes);
  EXPECT_GT(crop.high[0], shrunk);
  DragCropFace(crop, face, -5000, 0, camera, 400, 400, whole, proportions, info.sizes);
  EXPECT_EQ(crop.high[0], crop.low[0] + 1);  // never thinner than a voxel
}

// F freezes the plane c shows (the view's plane off, the volume's on) and
// releases it; G brings back the chosen slices; U undoes the crop.
TEST(VolumeCuts, KeysFreezeReleaseSlicesAndUncrop) {
  const VolumeInfo info = NiftiLikeScan();
  ViewState state;
  state.crop = WholeCrop(info);
  state.crop.low[2] = 4;
  KeyContext context;
  context.volume = &info;
  EXPECT_EQ(ApplyViewKey(state, 'F', context).line, "Clip: key c first shows the plane to freeze");
  ApplyViewKey(state, 'c', context);
  EXPECT_EQ(ApplyViewKey(state, 'F', context).line.compare(0, 12, "Clip: --clip"), 0);
  EXPECT_TRUE(state.clip.on && !state.viewClip);
  EXPECT_EQ(ApplyViewKey(state, 'F', context).line, "Clip: released");
  EXPECT_FALSE(state.clip.on);
  state.chosenPlanes = {false, false, true};
  EXPECT_EQ(ApplyViewKey(state, 'G', context).line, "Planes: axial");
  EXPECT_EQ(ApplyViewKey(state, 'G', context).line, "Planes: off");
  EXPECT_EQ(ApplyViewKey(state, 'C', context).line, "Caps: off");
  EXPECT_EQ(ApplyViewKey(state, 'U', context).line, CropLine(info, WholeCrop(info)));
  EXPECT_EQ(state.crop.low[2], 0.0);
}

}  // namespace
