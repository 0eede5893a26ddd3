// Advances the live fluid from the GLUT idle callback and turns the mouse
// into force and density sources.
#pragma once

// GLUT idle callback: one fluid advance (when fluid mode is on and not
// paused), then a redisplay request in every case.
void IdleCallback();

// The idle callback's work without the redisplay request: injection, one
// velocity step and one density step, when fluid mode is on and not paused.
void AdvanceFluid();

// Clears the four source fields (s, su, sv and gVelWPrev), then writes the
// mouse's force (left button) and density (right button) into the cell under
// the pointer on the middle plane, and moves the old mouse position up.
void InjectMouseSources(float* s, float* su, float* sv);
