// The transfer function both the renderer and the editor start from.
#pragma once

constexpr int kTransferEntries = 256;

// Fills 256 RGBA entries (1024 floats). Values are not clamped: red, green
// and blue dip below 0 in places, and the texture upload clamps them.
void FillInitialTransferTable(float* table);
