#include "app/drag_commands.h"

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

void EditTransferAt(int x, int y) {
  gTransferEditor.Edit(x - 230, 270 - y);
  gRenderer.SetTransferFunction(gTransferEditor.Table());
  gMouseX = gMouseOldX;
  gMouseY = gMouseOldY;
}
