#include "app/context_menu.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/callback_guard.h"
#include "app/input_callbacks.h"
#include "app/screenshot.h"
#include "app/state_saving.h"
#include "app/transfer_presets.h"
#include "app/viewer.h"
#include "render/render_mode.h"

namespace {

// Entry values: a key's own code below 256, the rest by kind.
constexpr int kMode = 1000;
constexpr int kPreset = 2000;
constexpr int kLayout = 3000;
constexpr int kScreenshot = 4000;

int gMenu = 0;
bool gAttached = false;

void Choose(int value) {
  if (value < 256) {
    KeyboardCallback(static_cast<unsigned char>(value), 0, 0);
  } else if (value >= kScreenshot) {
    SaveNextFrame(NextNumberedPicture("volview"));
  } else if (value >= kLayout) {
    SpecialCallback(GLUT_KEY_F1 + value - kLayout, 0, 0);
  } else if (value >= kPreset) {
    SelectPreset(static_cast<size_t>(value - kPreset), TransferWindow());
  } else {
    ViewerSetMode(static_cast<RenderMode>(value - kMode));
  }
  SaveStateIfChanged();
  glutPostRedisplay();
}

void Entry(const std::string& label, int value) { glutAddMenuEntry(label.c_str(), value); }

}  // namespace

void CreateContextMenu() {
  const int modes = glutCreateMenu(Guarded<Choose, int>);
  for (int m = 0; m < kRenderModeCount; ++m) {
    Entry(std::string(RenderModeName(static_cast<RenderMode>(m))) + "    (m: next)", kMode + m);
  }
  const int presets = glutCreateMenu(Guarded<Choose, int>);
  const std::vector<std::string> names = PresetNames();
  for (size_t i = 0; i < names.size(); ++i) Entry(names[i] + "    (k: next)", kPreset + static_cast<int>(i));
  const int sides = glutCreateMenu(Guarded<Choose, int>);
  const char* const kSides[][2] = {{"anterior", "A"}, {"posterior", "P"}, {"left", "L"},
                                   {"right", "R"},    {"superior", "S"},  {"inferior", "I"}};
  for (const auto& side : kSides) Entry(std::string(side[0]) + "    (" + side[1] + ")", side[1][0]);
  Entry("start view    (0)", '0');
  const int layouts = glutCreateMenu(Guarded<Choose, int>);
  const char* const kLayouts[] = {"3d", "axial", "coronal", "sagittal", "quad"};
  for (int i = 0; i < 5; ++i) Entry(std::string(kLayouts[i]) + "    (F" + std::to_string(i + 1) + ")", kLayout + i);
  const int inside = glutCreateMenu(Guarded<Choose, int>);
  Entry("crop box, to drag its faces    (B)", 'B');
  Entry("undo the crop    (U)", 'U');
  Entry("plane fixed to the view    (c)", 'c');
  Entry("freeze / release that plane    (F)", 'F');
  Entry("caps on cut faces    (C)", 'C');
  Entry("slices in the 3D view    (G)", 'G');

  gMenu = glutCreateMenu(Guarded<Choose, int>);
  glutAddSubMenu("Render mode", modes);
  if (!names.empty()) glutAddSubMenu("Preset", presets);
  glutAddSubMenu("View from", sides);
  Entry("perspective / orthographic    (o)", 'o');
  glutAddSubMenu("Layout", layouts);
  glutAddSubMenu("Look inside", inside);
  Entry("show / hide the overlays    (H)", 'H');
  Entry("save a screenshot", kScreenshot);
  Entry("save the view    (ctrl+s)", 19);
  Entry("help    (h)", 'h');
  Entry("quit    (q)", 'q');
}

void UpdateContextMenu(bool wanted) {
  if (gMenu == 0 || wanted == gAttached) return;
  glutSetMenu(gMenu);
  if (wanted) {
    glutAttachMenu(GLUT_RIGHT_BUTTON);
  } else {
    glutDetachMenu(GLUT_RIGHT_BUTTON);
  }
  gAttached = wanted;
}
