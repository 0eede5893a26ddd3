// Drawing of each frame and the projection that follows the window size.
#pragma once

void DisplayCallback();
void ReshapeCallback(int width, int height);

// Near distance of the perspective projection. A near plane of 0 would make
// the projection singular and send every depth to the far plane.
constexpr double kNearPlane = 0.1;
constexpr double kFarPlane = 400.0;
