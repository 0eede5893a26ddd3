#include "app/app_state.h"

int32_t gWindowWidth = 0;
int32_t gWindowHeight = 0;
int32_t gMouseX = 0;
int32_t gMouseY = 0;
int32_t gMouseOldX = 0;
int32_t gMouseOldY = 0;
bool gLeftDown = false;
bool gMiddleDown = false;
bool gRightDown = false;
float gDragAngleH = 0.0f;
float gDragAngleV = 0.0f;
float gLightPos[3] = {0.0f, 0.0f, -0.5f};
bool gLightMode = false;
bool gEditorVisible = false;
bool gFluidMode = false;
bool gPaused = false;
bool gClipEnabled = false;
int32_t gClipDistance = 0;
int32_t gSavedSliceCount = 0;
int32_t gSubVolumeOffset[3] = {0, 0, 0};
int32_t gSubVolumeSize = 1024;
int32_t gLastFrameTime = 0;
TgaImage gLogo;
