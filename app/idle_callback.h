// GLUT idle callback: advances the fluid from the shell's state.
#pragma once

// One fluid advance (when fluid mode is on and not paused), then a redisplay
// request in every case.
void IdleCallback();
