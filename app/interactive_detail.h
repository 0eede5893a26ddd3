// While the user turns, pans, zooms or edits an opened volume, frames are
// drawn with fewer slices and, when that is not enough, into a smaller
// viewport stretched onto the window, so that each meets a target time.
// The first frame after the interaction is drawn at full detail again.
#pragma once

#include "render/detail_controller.h"
#include "render/draw_inputs.h"

// `targetMs` per interactive frame, `fullSlices` at full detail.
void SetUpInteractiveDetail(double targetMs, int32_t fullSlices);

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
