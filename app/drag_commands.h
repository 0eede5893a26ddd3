// The drags the built-in sources and an opened volume's 3D view share: a
// left drag in light mode steers the light, a drag with the editor shown
// redraws the transfer function. Both move the pointer positions of
// app_state.h as the built-in commands always have.
#pragma once

// Adds the pointer's movement, reversed, to the drag angles, which the
// built-in rotation and the light steering share.
void AccumulateDrag(int x, int y);
void SteerLight(int x, int y);
void EditTransferAt(int x, int y);
// The same in a window of any size: the editor keeps its place over the
// window's centre and scales with its height, so the pointer maps through
// that (in a 500 x 500 window exactly as EditTransferAt).
void EditTransferInWindow(int x, int y, int width, int height);
