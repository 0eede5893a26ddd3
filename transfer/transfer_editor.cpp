#include "transfer/transfer_editor.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "transfer/cubic_spline.h"

namespace {

constexpr double kInverse255 = 0.00392156862745098;
constexpr int kEditedEntries = kTransferEntries - 1;  // the last entry keeps its value
constexpr int kPositionsPerPoint = 27;
constexpr double kSampleStep = 0.04;                   // spline units per table entry
constexpr int kEntriesPerPoint = 25;

}  // namespace

TransferEditor gTransferEditor;

TransferEditor::TransferEditor() : channel(0) {
  FillInitialTransferTable(&table[0][0]);
  for (int k = 0; k < kControlPoints; ++k) {
    controlX[k] = k;
    controlY[k] = k;
  }
}

void TransferEditor::Edit(int x, int value) {
  if (x < 0) {
    x = 0;
  } else if (x > 255) {
    x = 255;
  }
  controlY[x / kPositionsPerPoint] = value;

  const int32_t count = kControlPoints;
  CubicSpline spline(controlX, controlY, &count);
  int32_t hint = 0;
  for (int i = 0; i < kEditedEntries; ++i) {
    const double s = i * kSampleStep;
    double v = spline.Evaluate(&s, &hint);
    if (v > 255.0) {
      v = 255.0;
    } else if (!(v >= 0.0)) {  // also catches NaN
      v = 0.0;
    }
    table[i][channel] = static_cast<float>(v * kInverse255);
  }
}

void TransferEditor::NextChannel() {
  channel = (channel + 1) % 4;
  ReloadControls();
}

void TransferEditor::LoadTable(const float* rgba) {
  std::memcpy(table, rgba, sizeof table);
  ReloadControls();
}

void TransferEditor::ReloadControls() {
  for (int k = 0; k < kControlPoints; ++k) {
    controlY[k] = 255.0f * table[kEntriesPerPoint * k][channel];
  }
}

void TransferEditor::SetHistogramSource(std::function<Histogram()> source) {
  histogramSource_ = std::move(source);
  histogram_.reset();
}

// Dim bars under the curves, so the curves stay readable over them. Bar i is
// centred on the curves' vertex i.
void TransferEditor::DrawHistogram() const {
  if (!histogram_) histogram_ = histogramSource_();
  const Histogram& heights = *histogram_;
  glColor4f(0.55f, 0.55f, 0.7f, 0.45f);
  glBegin(GL_QUADS);
  for (int i = 0; i < kTransferEntries; ++i) {
    const double x0 = std::max(0.0, (i - 0.5) * kInverse255);
    const double x1 = std::min(1.0, (i + 0.5) * kInverse255);
    glVertex3d(x0, 0.0, 0.0);
    glVertex3d(x1, 0.0, 0.0);
    glVertex3d(x1, heights[i], 0.0);
    glVertex3d(x0, heights[i], 0.0);
  }
  glEnd();
}

void TransferEditor::Draw() const {
  static const GLfloat kCurveColours[4][4] = {
      {1.0f, 0.0f, 0.0f, 1.0f},
      {0.0f, 1.0f, 0.0f, 1.0f},
      {0.0f, 0.0f, 1.0f, 1.0f},
      {0.8f, 0.8f, 0.8f, 1.0f},
  };

  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -1.8f);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);

  glColor4f(0.0f, 0.0f, 0.1f, 0.5f);
  glBegin(GL_QUADS);
  glVertex3f(0.0f, 0.0f, 0.0f);
  glVertex3f(1.0f, 0.0f, 0.0f);
  glVertex3f(1.0f, 1.0f, 0.0f);
  glVertex3f(0.0f, 1.0f, 0.0f);
  glEnd();
  if (histogramSource_) DrawHistogram();

  for (int c = 0; c < 4; ++c) {
    glColor4fv(kCurveColours[c]);
    glLineWidth(c == channel ? 2.0f : 1.0f);
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < kTransferEntries; ++i) {
      glVertex3d(i * kInverse255, table[i][c], 0.0);
    }
    glEnd();
  }
}
