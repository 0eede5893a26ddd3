// GLUT idle callback: advances the fluid from the shell's state.
#pragma once

// One fluid advance (when fluid mode is on and not paused), then a redisplay
// request in every case.
void IdleCallback();

// An opened volume's window is drawn only when something changed: after
// input, and, while something moves by itself (a running fluid, pictures to
// write, a benchmark), by the idle callback, which is taken away otherwise so
// that an idle viewer uses no processor. The built-in sources keep drawing
// without pause, as they always did.
// After input to an opened volume: a frame, and the idle callback if needed.
void RedrawAfterInput();
// And one more frame once the moment after a wheel event or a held key is
// over, at full detail.
void RedrawAfterQuiet();
