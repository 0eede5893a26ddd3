// 2D drawing in window pixels over the scene, origin at the top-left corner.
#pragma once

void BeginOverlay();
void EndOverlay();
void DrawBitmapString(void* font, const char* text);
// x, y: left end of the text's baseline, in window pixels from the top-left.
void DrawOverlayText(const char* text, int x, int y);
