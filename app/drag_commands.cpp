#include "app/drag_commands.h"

#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "render/vol_render.h"
#include "transfer/transfer_editor.h"

void AccumulateDrag(int x, int y) {
  gDragAngleH -= static_cast<float>(x - gMouseOldX);
  gDragAngleV -= static_cast<float>(y - gMouseOldY);
  gMouseOldX = x;
  gMouseOldY = y;
}

void SteerLight(int x, int y) {
  AccumulateDrag(x, y);
  const double theta = gDragAngleH * 0.01;
  gLightPos[0] = static_cast<float>(std::cos(theta));
  gLightPos[1] = static_cast<float>(std::sin(theta));
  gRenderer.SetLightPosition(gLightPos);
}

void EditTransferAt(int x, int y) { EditTransferInWindow(x, y, 500, 500); }

void EditTransferInWindow(int x, int y, int width, int height) {
  // 500 / height: the 500 x 500 window's pixels per pixel of this one.
  const double scale = 500.0 / std::max(height, 1);
  gTransferEditor.Edit(static_cast<int>(std::lround((x - width / 2.0) * scale + 20)),
                       static_cast<int>(std::lround((height / 2.0 - y) * scale + 20)));
  gRenderer.SetTransferFunction(gTransferEditor.Table());
  gMouseX = gMouseOldX;
  gMouseY = gMouseOldY;
}
