#include "app/help_panel.h"

#include <GL/freeglut.h>

#include <algorithm>

#include "app/overlay.h"
#include "render/render_mode.h"

std::vector<HelpGroup> HelpNow(const ViewState& state, bool lightMode, bool editorShown, bool fluidMode) {
  std::vector<HelpGroup> groups;
  HelpGroup view{"View", {{"A P L R S I", "view from that side"},
                          {"0", "start view (and the slices' zoom)"},
                          {"o", "perspective / orthographic"},
                          {"v, F1 ... F5", "layout: 3d, axial, coronal, sagittal, quad"},
                          {"H", "hide or show the overlays"},
                          {"h", "this help"}}};
  groups.push_back(view);

  HelpGroup mouse{"3D view", {}};
  if (fluidMode) {
    mouse.entries.push_back({"left drag, right button", "stir the fluid, pour density"});
  } else if (lightMode) {
    mouse.entries.push_back({"left drag", "turn the light"});
  } else if (editorShown) {
    mouse.entries.push_back({"drag", "redraw the edited channel"});
  } else {
    mouse.entries.push_back({"left or middle drag", "turn the volume"});
  }
  mouse.entries.push_back({"middle drag", "turn the volume"});
  mouse.entries.push_back({"shift + drag", "pan"});
  mouse.entries.push_back({"wheel", "zoom"});
  if (state.cropHandles) mouse.entries.push_back({"left drag on a face", "move that face of the crop box"});
  if (!editorShown && !fluidMode) mouse.entries.push_back({"right button", "menu"});
  groups.push_back(mouse);

  if (state.layout != Layout::Volume3d) {
    groups.push_back({"Slices",
                      {{"left click", "move the cursor there"},
                       {"wheel, Page Up / Down", "next slice (shift: ten)"},
                       {"ctrl + wheel", "zoom about the pointer"},
                       {"middle drag", "pan"},
                       {"right drag", "grey window: width, level"},
                       {"shift + left drag", "measure (Esc clears)"},
                       {"N", "radiological / neurological"},
                       {"i", "linear / nearest voxel"}}});
  }

  HelpGroup rendering{"Rendering", {{"m", std::string("render mode (now ") + RenderModeName(state.mode) + ")"},
                                    {"k", "next preset"},
                                    {"w, x", "transfer-function editor, its channel"},
                                    {"z / s, a", "5 slices more / fewer, 1000 slices"},
                                    {"l", "light mode"}}};
  if (state.mode == RenderMode::Iso) rendering.entries.push_back({"[ / ]", "iso value down / up"});
  groups.push_back(rendering);

  groups.push_back({"Inside",
                    {{"c, b / n", "plane fixed to the view, nearer / further"},
                     {"F", state.clip.on ? "release the frozen plane" : "freeze that plane into the volume"},
                     {"B, U", "crop box to drag, undo the crop"},
                     {"C", "caps on cut faces"},
                     {"G", "slices inside the 3D view"}}});

  HelpGroup other{"Other",
                  {{"+ - 4 6", "part of the volume on show"}, {"f", "fluid on / off"}, {"ctrl+s", "save the view"}}};
  if (fluidMode) other.entries.push_back({"p, r", "pause, empty the fluid"});
  other.entries.push_back({"q", "quit"});
  groups.push_back(other);
  return groups;
}

namespace {

// One way to set out the panel: a font, its line height and the columns of
// groups, and what that takes.
struct HelpLayout {
  void* font;
  int line;
  int columns;
  int split = 0;  // the first group of the second column
  int inputWidth = 0, column = 0, width = 0, height = 0;
};

HelpLayout Measure(const std::vector<HelpGroup>& groups, void* font, int line, int columns) {
  HelpLayout layout{font, line, columns};
  const auto textWidth = [font](const std::string& text) {
    return glutBitmapLength(font, reinterpret_cast<const unsigned char*>(text.c_str()));
  };
  int actionWidth = 0, lines = 0;
  for (const HelpGroup& group : groups) {
    lines += 1 + static_cast<int>(group.entries.size());
    for (const HelpEntry& entry : group.entries) {
      layout.inputWidth = std::max(layout.inputWidth, textWidth(entry.input));
      actionWidth = std::max(actionWidth, textWidth(entry.action));
    }
  }
  // With two columns, the first holds at least half the lines.
  int before = 0;
  while (layout.split < static_cast<int>(groups.size()) && (columns == 1 || before < lines / 2)) {
    before += 1 + static_cast<int>(groups[layout.split].entries.size());
    ++layout.split;
  }
  layout.column = layout.inputWidth + actionWidth + 3 * line;
  layout.width = columns * layout.column + line;
  layout.height = (std::max(before, lines - before) + 1) * line;
  return layout;
}

// The largest font that fits, two columns before one.
HelpLayout FittingLayout(const std::vector<HelpGroup>& groups, int width, int height) {
  const struct { void* font; int line; int columns; } kChoices[] = {
      {GLUT_BITMAP_HELVETICA_18, 22, 2}, {GLUT_BITMAP_HELVETICA_12, 15, 2}, {GLUT_BITMAP_HELVETICA_12, 15, 1},
      {GLUT_BITMAP_HELVETICA_10, 12, 2}, {GLUT_BITMAP_HELVETICA_10, 12, 1}};
  HelpLayout layout{};
  for (const auto& choice : kChoices) {
    layout = Measure(groups, choice.font, choice.line, choice.columns);
    if (layout.width <= width - 8 && layout.height <= height - 8) break;
  }
  return layout;
}

}  // namespace

void DrawHelpPanel(const std::vector<HelpGroup>& groups, int width, int height) {
  const HelpLayout layout = FittingLayout(groups, width, height);
  void* font = layout.font;
  const int line = layout.line, split = layout.split, column = layout.column, inputWidth = layout.inputWidth;
  const int panelWidth = std::min(width - 8, layout.width);
  const int panelHeight = std::min(height - 8, layout.height);
  const int left = (width - panelWidth) / 2, top = (height - panelHeight) / 2;

  const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_2D);
  glPushMatrix();
  glLoadIdentity();
  BeginOverlay();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(0.0f, 0.0f, 0.05f, 0.82f);
  glRecti(left, top, left + panelWidth, top + panelHeight);
  for (int g = 0, y = 0; g < static_cast<int>(groups.size()); ++g) {
    if (g == split) y = 0;
    const int x = left + line / 2 + (g < split ? 0 : column);
    y += line;
    glColor3f(1.0f, 0.85f, 0.4f);
    glRasterPos2i(x, top + y);
    for (unsigned char c : groups[g].title) glutBitmapCharacter(font, c);
    for (const HelpEntry& entry : groups[g].entries) {
      y += line;
      glColor3f(0.6f, 0.85f, 1.0f);
      glRasterPos2i(x + line / 2, top + y);
      for (unsigned char c : entry.input) glutBitmapCharacter(font, c);
      glColor3f(0.92f, 0.92f, 0.92f);
      glRasterPos2i(x + line + inputWidth, top + y);
      for (unsigned char c : entry.action) glutBitmapCharacter(font, c);
    }
  }
  EndOverlay();
  glPopMatrix();
  if (textured) glEnable(GL_TEXTURE_2D);
}
