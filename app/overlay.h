// 2D drawing in window pixels over the scene, origin at the top-left corner.
#pragma once

void BeginOverlay();
void EndOverlay();
// The same in a pane's pixels, origin at its top-left corner, with the
// viewport set to the pane; ended by EndOverlay.
void BeginPaneOverlay(int paneWidth, int paneHeight);
void DrawBitmapString(void* font, const char* text);
// x, y: left end of the text's baseline, in window pixels from the top-left.
void DrawOverlayText(const char* text, int x, int y);
