// Advances the live fluid and turns the mouse into force and density sources.
#pragma once

#include <cstdint>

// The shell's window and pointer as the driver sees them. The driver moves
// the old position up to the current one whenever it writes a source.
struct FluidPointer {
  int32_t windowWidth;
  int32_t windowHeight;
  int32_t x;
  int32_t y;
  int32_t& oldX;
  int32_t& oldY;
  bool leftDown;
  bool rightDown;
};

// Injection, one velocity step and one density step, when fluid mode is on
// and not paused; nothing otherwise.
void AdvanceFluid(bool fluidMode, bool paused, FluidPointer& pointer);

// Clears the four source fields (s, su, sv and gVelWPrev), then writes the
// mouse's force (left button) and density (right button) into the cell under
// the pointer on the middle plane, and moves the old mouse position up.
void InjectMouseSources(FluidPointer& pointer, float* s, float* su, float* sv);
