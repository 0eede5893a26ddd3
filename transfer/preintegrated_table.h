// The pre-integrated transfer function: what a whole slab of the volume
// shows when its value runs linearly from the sample at its front to the
// sample at its back, so that slices far apart still catch the thin features
// the 256-entry table holds between their two samples.
#pragma once

#include "transfer/initial_table.h"

constexpr int kPreintegratedSide = kTransferEntries;
constexpr int kPreintegratedFloats = kPreintegratedSide * kPreintegratedSide * 4;

// The model, which the fragment program's point samples follow today:
// - entry i of `rgba` (256 RGBA entries, 1024 floats) sits at value i / 255,
//   and between entries every channel is interpolated linearly, as a
//   GL_LINEAR lookup reads it. Entries are clamped first as a fixed-point
//   upload would: colour to [0, 1], opacity to [0, 1 - 1e-4] (an opacity of
//   1 would block light through any slab, however thin);
// - opacity a is extinction -2 ln(1 - a) per unit of thickness, the unit
//   being the slice spacing of 200 slices, so a slab of thickness d at a
//   constant value has opacity 1 - (1 - a)^(2 d), as the composite program
//   makes of it;
// - colour is emitted in proportion to extinction and dimmed by what lies in
//   front of it inside the slab.
//
// Fills out[(back * 256 + front) * 4 + channel] for every front and back
// entry, either one the larger: channel 3 is the slab's opacity, channels
// 0..2 its colour divided by that opacity; where the slab is clear, the
// table's mean colour over its values, so that filtering between a clear
// texel and a visible one does not darken the colour. The
// fragment program reads texel (front, back) of a 256 x 256 texture with
// GL_LINEAR at ((front, back) * 255 + 0.5) / 256 and blends the result as
// it stands with GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA: the thickness is
// already in the opacity, so no further density correction.
//
// slabThickness (> 0) is the slice spacing relative to that of 200 slices;
// recompute whenever the table or the slice count changes. O(256^2) work and
// no allocation: about a millisecond or two.
void ComputePreintegratedTable(const float* rgba, float slabThickness, float* out);
