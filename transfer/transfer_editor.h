// The transfer function (256 RGBA entries) and the on-screen editor that
// redraws one channel at a time as a spline through ten control values.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "transfer/initial_table.h"

class TransferEditor {
public:
  static constexpr int kControlPoints = 10;

  // Fills the table with the shared initial transfer function, channel 0
  // (red) selected, control point k at (k, k).
  TransferEditor();

  // Sets the control point under panel position x (clamped to 0..255; 27
  // positions per point) to value (0..255 scale, not clamped), fits a natural
  // spline through the ten points and resamples entries 0..254 of the current
  // channel. Entry 255 is left as it is. Uploading is the caller's job.
  void Edit(int x, int value);

  // Selects the next channel (red, green, blue, alpha, red...) and reloads
  // the control values from that channel's curve.
  void NextChannel();

  // Replaces the whole table (1024 floats) and reloads the control values
  // of the current channel from it, as NextChannel does.
  void LoadTable(const float* rgba);

  // Bars behind the curves, one per table entry, heights 0..1. The source
  // runs once, when the panel is first drawn, so a large volume costs
  // nothing until the editor is opened. No source, no bars.
  using Histogram = std::array<float, kTransferEntries>;
  void SetHistogramSource(std::function<Histogram()> source);

  // Draws the panel, the histogram if any, and the four curves in immediate
  // mode, 1.8 units in front of the eye. Leaves the depth test off, blending
  // on and the last line width.
  void Draw() const;

  // The table as the renderer uploads it: 1024 contiguous floats.
  const float* Table() const { return &table[0][0]; }

  int32_t channel;
  float table[kTransferEntries][4];
  double controlX[kControlPoints];
  double controlY[kControlPoints];

private:
  void ReloadControls();
  void DrawHistogram() const;

  std::function<Histogram()> histogramSource_;
  mutable std::optional<Histogram> histogram_;
};

extern TransferEditor gTransferEditor;
