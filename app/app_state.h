// The shell's module-level state, shared by the GLUT callbacks.
#pragma once

#include <cstdint>

#include "files/tga_image.h"

extern int32_t gWindowWidth;
extern int32_t gWindowHeight;
extern int32_t gMouseX;
extern int32_t gMouseY;
extern int32_t gMouseOldX;
extern int32_t gMouseOldY;
extern bool gLeftDown;
extern bool gMiddleDown;
extern bool gRightDown;
extern float gDragAngleH;
extern float gDragAngleV;
extern float gLightPos[3];
extern bool gLightMode;
extern bool gEditorVisible;
extern bool gFluidMode;
extern bool gPaused;
extern bool gClipEnabled;
extern int32_t gClipDistance;
extern int32_t gSavedSliceCount;
extern int32_t gSubVolumeOffset[3];
extern int32_t gSubVolumeSize;
extern int32_t gLastFrameTime;
extern TgaImage gLogo;
