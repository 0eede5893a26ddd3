// While the user turns, pans, zooms or edits an opened volume, frames are
// drawn with fewer slices and, when that is not enough, into a smaller
// viewport stretched onto the window, so that each meets a target time.
// The first frame after the interaction is drawn at full detail again.
#pragma once

#include "render/detail_controller.h"
#include "render/draw_inputs.h"

// `targetMs` per interactive frame, `fullSlices` at full detail. `sharp`
// (frames drawn front to back, which cost far less) keeps at least 3/4 of
// the slices and 0.8 of the window's resolution whatever the target;
// otherwise down to 64 slices and half the resolution.
void SetUpInteractiveDetail(double targetMs, int32_t fullSlices, bool sharp);

// A wheel event, or a key: the frames of the next moment count as
// interactive for a turning wheel and for a key held down (the same key
// again within that moment), so both stay fluid. A single key press is
// drawn at full detail at once.
void NoteWheel();
void NoteKey(unsigned char key);

// A mouse button is down, or a key or wheel event came a moment ago.
bool InteractionUnderway();
// How long after a wheel event or a repeated key frames still count as
// interactive, in milliseconds: a frame after it is drawn at full detail.
int QuietAfterEventMs();

// Draws the opened volume at full detail (the inputs' slice count), or at
// interactive detail; learns the cost of drawing from the time between one
// call and the next.
void DrawVolumeAtDetail(bool interactive, DrawInputs inputs);

// The detail the last frame was drawn at.
Detail LastDetail();
