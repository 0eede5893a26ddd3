// Keys as transitions of an opened volume's view state: what each key
// changes, what it prints, and what it leaves alone.
#include "app/view_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/volume_camera.h"

namespace {

class ViewKeys : public testing::Test {
protected:
  ViewKeys() {
    info.sizes = {128, 128, 64};
    info.spacing = {1.5, 1.5, 3.0};
    context.volume = &info;
    context.modeAvailable = [this](RenderMode mode) { return mode != unavailable; };
    state.window = {-1000, 1000};
    state.shownPart = WholeVolumeView(info);
    state.camera = StartCamera({AnatomicalView::Left, 2.0, true});
  }

  std::string Press(unsigned char key) {
    const KeyOutcome outcome = ApplyViewKey(state, key, context);
    EXPECT_TRUE(outcome.handled) << key;
    return outcome.line;
  }

  VolumeInfo info;
  KeyContext context;
  ViewState state;
  RenderMode unavailable = RenderMode::Maximum;
};

// Sides turn the volume and nothing else; 0 undoes turns, zoom, pan and
// projection, back to the start's, whatever came between.
TEST_F(ViewKeys, SidesTurnAndZeroReturnsToTheStart) {
  EXPECT_EQ(state.camera.rotation, ViewRotation(AnatomicalView::Left));
  EXPECT_EQ(Press('S'), "View: superior");
  EXPECT_EQ(state.camera.rotation, ViewRotation(AnatomicalView::Superior));
  EXPECT_EQ(Press('o'), "Projection: perspective");
  ZoomCamera(state.camera, 3);
  PanCamera(state.camera, 10, -4, 500, 500);
  TurnCamera(state.camera, 30, 5);
  EXPECT_EQ(Press('0'), "View: left, zoom 2");
  EXPECT_EQ(state.camera.rotation, ViewRotation(AnatomicalView::Left));
  EXPECT_EQ(state.camera.zoom, 2.0);
  EXPECT_EQ(state.camera.panX, 0.0);
  EXPECT_EQ(state.camera.panY, 0.0);
  EXPECT_TRUE(state.camera.orthographic);
  EXPECT_EQ(state.mode, RenderMode::Composite);
}

// m passes over what this GL cannot draw and comes back to composite; the
// iso value moves by 1% of the window and stops at its ends.
TEST_F(ViewKeys, ModesSkipTheUnavailableAndIsoStaysInTheWindow) {
  std::vector<std::string> lines;
  for (int i = 0; i < 5; ++i) lines.push_back(Press('m'));
  EXPECT_EQ(lines, (std::vector<std::string>{"Render mode: minip", "Render mode: average",
                                             "Render mode: iso", "Render mode: composite",
                                             "Render mode: minip"}));
  EXPECT_EQ(Press(']'), "Iso value: 20");
  for (int i = 0; i < 80; ++i) Press(']');
  EXPECT_EQ(Press(']'), "Iso value: 1000");
  for (int i = 0; i < 120; ++i) Press('[');
  EXPECT_EQ(state.isoLevel, 0.0f);
  EXPECT_EQ(Press('['), "Iso value: -1000");
}

// a switches to 1000 slices and back to the count it left, not to one
// changed meanwhile; c, b and n drive the plane fixed to the view.
TEST_F(ViewKeys, SliceCountAndTheViewFixedPlane) {
  state.sliceCount = 128;
  Press('z');
  Press('a');
  EXPECT_EQ(state.sliceCount, 1000);
  Press('s');
  Press('a');
  EXPECT_EQ(state.sliceCount, 133);
  EXPECT_EQ(state.savedSliceCount, 0);
  Press('c');
  Press('b');
  Press('b');
  Press('n');
  EXPECT_TRUE(state.viewClip);
  EXPECT_EQ(state.clipDistance, 2);
}

// + - 4 6 move the part on show and ask for the texture to follow; keys of
// no use to the view change nothing.
TEST_F(ViewKeys, PartOnShowAndKeysOfNoUse) {
  const KeyOutcome zoomed = ApplyViewKey(state, '+', context);
  EXPECT_TRUE(zoomed.handled && zoomed.shownPartChanged);
  EXPECT_LT(state.shownPart.side, WholeVolumeView(info).side);
  const ViewState before = state;
  for (unsigned char key : {'w', 'q', 'k', 'x', 'f', 'l', '2'}) {
    EXPECT_FALSE(ApplyViewKey(state, key, context).handled) << key;
  }
  EXPECT_EQ(state.sliceCount, before.sliceCount);
  EXPECT_EQ(state.camera.rotation, before.camera.rotation);
  EXPECT_EQ(state.shownPart.side, before.shownPart.side);
}

// A pan follows the pointer: a drag across the pane's height moves the
// volume's centre by the height the pane shows at its zoom.
TEST(VolumeCamera, PanFollowsThePointerAndZoomStaysInItsRange) {
  CameraState camera = StartCamera({});
  PanCamera(camera, 250, 500, 500, 500);
  EXPECT_NEAR(camera.panX, 144.3375673, 1e-6);
  EXPECT_NEAR(camera.panY, -288.6751346, 1e-6);
  ZoomCamera(camera, 100);
  EXPECT_EQ(camera.zoom, 50.0);
  ZoomCamera(camera, -200);
  EXPECT_EQ(camera.zoom, 0.1);
}

// Where the camera shows a model point, in units at the centre's depth
// from the pane's middle, orthographic.
std::array<double, 2> Shown(const CameraState& camera, const std::array<double, 3>& model) {
  const Rotation& r = camera.rotation;
  const std::array<double, 2> pan = EyePan(camera);
  return {r[0] * model[0] + r[1] * model[1] + r[2] * model[2] + pan[0],
          r[3] * model[0] + r[4] * model[1] + r[5] * model[2] + pan[1]};
}

// Framing centres what shows, sizes it to 7/8 of the pane, keeps it in the
// middle as the volume turns, and a measured frame corrects both.
TEST(VolumeCamera, FramingCentresSizesAndTurnsAboutWhatShows) {
  CameraState camera = StartCamera({AnatomicalView::Anterior, 1.0, true});
  const ModelBox box{{10, -40, 20}, {50, 0, 80}};  // 40 wide, 40 deep, 60 high
  FrameBoxes(camera, {box});
  EXPECT_TRUE(camera.framePending);
  const std::array<double, 3> centre{30, -20, 50};
  EXPECT_NEAR(Shown(camera, centre)[0], 0, 1e-9);
  EXPECT_NEAR(Shown(camera, centre)[1], 0, 1e-9);
  EXPECT_NEAR(camera.fitHalfSide, 30 / 0.875, 1e-9);  // the height, up the screen from the front
  TurnCamera(camera, 70, -25);
  EXPECT_NEAR(Shown(camera, centre)[0], 0, 1e-9);
  EXPECT_NEAR(Shown(camera, centre)[1], 0, 1e-9);

  // Drawn 20 pixels right of the middle of a 400 x 300 pane and 210
  // pixels tall: moved back left, sized up to fill 7/8 of 300.
  camera = StartCamera({AnatomicalView::Anterior, 1.0, true});
  camera.fitHalfSide = 150;  // one unit per pixel
  FrameDrawn(camera, {200 - 105 + 20, 150 - 105, 200 + 105 + 20 - 1, 150 + 105 - 1}, 400, 300);
  EXPECT_NEAR(Shown(camera, {0, 0, 0})[0], -20, 1e-9);
  EXPECT_NEAR(Shown(camera, {0, 0, 0})[1], 0, 1e-9);
  EXPECT_NEAR(camera.fitHalfSide, 150 * 210 / 262.5, 1e-9);
  const CameraState before = camera;
  FrameDrawn(camera, {}, 400, 300);  // nothing drawn: nothing changes
  EXPECT_EQ(camera.fitHalfSide, before.fitHalfSide);
  EXPECT_EQ(camera.pivot, before.pivot);
}

}  // namespace
