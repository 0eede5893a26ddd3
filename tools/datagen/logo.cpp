#include "tools/datagen/logo.h"

#include <algorithm>
#include <cmath>

namespace {

struct Point {
  float x;
  float y;
};

// Letters as polylines in a unit box, y up. A stroke ends at a {-1, -1}
// marker; a glyph ends with an empty stroke.
constexpr Point kBreak{-1.0f, -1.0f};
const Point kGlyphZ[] = {{0, 1}, {1, 1}, {0, 0}, {1, 0}, kBreak, kBreak};
const Point kGlyphE[] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}, kBreak, {0, 0.5f}, {0.75f, 0.5f},
                         kBreak, kBreak};
const Point kGlyphM[] = {{0, 0}, {0, 1}, {0.5f, 0.4f}, {1, 1}, {1, 0}, kBreak, kBreak};
const Point kGlyphA[] = {{0, 0}, {0.5f, 1}, {1, 0}, kBreak, {0.22f, 0.42f}, {0.78f, 0.42f},
                         kBreak, kBreak};

struct Segment {
  Point a;
  Point b;
};

bool IsBreak(const Point& p) { return p.x < 0.0f; }

// Places one glyph's strokes at (left, bottom) with the given cell size.
void AddGlyph(const Point* glyph, float left, float bottom, float width, float height,
              std::vector<Segment>& segments) {
  const Point* p = glyph;
  while (!IsBreak(*p)) {  // one stroke per pass
    for (; !IsBreak(p[1]); ++p) {
      segments.push_back({{left + p[0].x * width, bottom + p[0].y * height},
                          {left + p[1].x * width, bottom + p[1].y * height}});
    }
    p += 2;  // past the stroke's last point and the break that ends it
  }
}

float DistanceToSegment(float x, float y, const Segment& s) {
  const float dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
  const float length2 = dx * dx + dy * dy;
  float t = length2 > 0.0f ? ((x - s.a.x) * dx + (y - s.a.y) * dy) / length2 : 0.0f;
  t = std::clamp(t, 0.0f, 1.0f);
  const float ex = x - (s.a.x + t * dx), ey = y - (s.a.y + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

}  // namespace

std::vector<uint8_t> RenderLogo() {
  constexpr float kLetterWidth = 21.0f, kLetterHeight = 30.0f, kGap = 9.0f;
  constexpr float kLeft = (kLogoWidth - (4 * kLetterWidth + 3 * kGap)) / 2.0f;
  constexpr float kBottom = 22.0f;
  constexpr float kHalfStroke = 2.4f;
  constexpr float kGlowRadius = 3.0f;

  std::vector<Segment> segments;
  const Point* word[] = {kGlyphZ, kGlyphE, kGlyphM, kGlyphA};
  for (int i = 0; i < 4; ++i) {
    AddGlyph(word[i], kLeft + i * (kLetterWidth + kGap), kBottom, kLetterWidth, kLetterHeight,
             segments);
  }
  // An underline, thinner than the letters because it is drawn at half weight below.
  segments.push_back({{kLeft, 12.0f}, {kLogoWidth - kLeft, 12.0f}});
  const size_t underline = segments.size() - 1;

  std::vector<uint8_t> rgba(static_cast<size_t>(kLogoWidth) * kLogoHeight * 4);
  for (int row = 0; row < kLogoHeight; ++row) {
    for (int column = 0; column < kLogoWidth; ++column) {
      const float x = column + 0.5f, y = row + 0.5f;
      float distance = 1e9f;
      for (size_t s = 0; s < segments.size(); ++s) {
        const float d = DistanceToSegment(x, y, segments[s]) + (s == underline ? 1.2f : 0.0f);
        distance = std::min(distance, d);
      }
      // Coverage ramps over about one pixel; the glow fades over a few more.
      const float core = std::clamp(kHalfStroke + 0.5f - distance, 0.0f, 1.0f);
      const float outside = std::max(distance - kHalfStroke, 0.0f);
      const float glow = 0.5f * std::exp(-outside * outside / (2.0f * kGlowRadius * kGlowRadius));
      const float alpha = core + (1.0f - core) * glow;
      // White letters shading to pale blue at the bottom, on a deep blue glow.
      const float shade = std::clamp((y - kBottom) / kLetterHeight, 0.0f, 1.0f);
      const float coreRgb[3] = {0.75f + 0.25f * shade, 0.85f + 0.15f * shade, 1.0f};
      const float glowRgb[3] = {0.05f, 0.2f, 0.6f};
      uint8_t* out = &rgba[(static_cast<size_t>(row) * kLogoWidth + column) * 4];
      for (int c = 0; c < 3; ++c) {
        const float colour =
            alpha > 0.0f ? (core * coreRgb[c] + (1.0f - core) * glow * glowRgb[c]) / alpha : 0.0f;
        out[c] = ToByte(colour);
      }
      out[3] = ToByte(alpha);
    }
  }
  return rgba;
}
