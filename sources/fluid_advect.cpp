#include "sources/fluid_advect.h"

#include <immintrin.h>

#include <algorithm>
#include <limits>

#include "sources/fluid_exact_math.h"
#include "sources/fluid_isa.h"

namespace fluid {
namespace {

// One cell, in the textbook order of operations.
inline void AdvectCell(const Grid& at, const AdvectTarget* targets, int count, const float* u,
                       const float* v, const float* w, float dt0, int32_t i, int32_t j,
                       int32_t k) {
  const size_t cell = at(i, j, k);
  float px = i - dt0 * u[cell];
  float py = j - dt0 * v[cell];
  float pz = k - dt0 * w[cell];
  if (px < 0.5f) px = 0.5f;
  if (px > at.nx + 0.5f) px = at.nx + 0.5f;
  if (py < 0.5f) py = 0.5f;
  if (py > at.ny + 0.5f) py = at.ny + 0.5f;
  if (pz < 0.5f) pz = 0.5f;
  if (pz > at.nz + 0.5f) pz = at.nz + 0.5f;
  const int32_t i0 = static_cast<int32_t>(px);
  const int32_t j0 = static_cast<int32_t>(py);
  const int32_t k0 = static_cast<int32_t>(pz);
  const float s1 = px - i0, s0 = 1 - s1;
  const float t1 = py - j0, t0 = 1 - t1;
  const float r1 = pz - k0, r0 = 1 - r1;
  const size_t c000 = at(i0, j0, k0);
  const size_t c010 = c000 + at.RowStride(), c001 = c000 + at.PlaneStride();
  const size_t c011 = c010 + at.PlaneStride();
  for (int f = 0; f < count; ++f) {
    const float* d0 = targets[f].d0;
    targets[f].d[cell] =
        s0 * (t0 * (r0 * d0[c000] + r1 * d0[c001]) + t1 * (r0 * d0[c010] + r1 * d0[c011])) +
        s1 * (t0 * (r0 * d0[c000 + 1] + r1 * d0[c001 + 1]) +
              t1 * (r0 * d0[c010 + 1] + r1 * d0[c011 + 1]));
  }
}

// Wide helpers share the wide function's target and rounding rules.
#define FLUID_WIDE __attribute__((target("avx512f"), always_inline)) FLUID_EXACT_FP inline

FLUID_WIDE __m512 ClampWide(__m512 p, __m512 lo, __m512 hi) {
  p = _mm512_mask_mov_ps(p, _mm512_cmp_ps_mask(p, lo, _CMP_LT_OQ), lo);
  return _mm512_mask_mov_ps(p, _mm512_cmp_ps_mask(p, hi, _CMP_GT_OQ), hi);
}

// Full-mask forms with a defined pass-through operand: the plain intrinsics
// pass an undefined one, which the compiler warns about.
FLUID_WIDE __m512i TruncateWide(__m512 p) {
  return _mm512_mask_cvttps_epi32(_mm512_setzero_si512(), 0xFFFF, p);
}
FLUID_WIDE __m512 ToFloatWide(__m512i n) {
  return _mm512_mask_cvtepi32_ps(_mm512_setzero_ps(), 0xFFFF, n);
}
// As GatherNeighboursAvx2 below, sixteen lanes wide: one 64-bit gather per
// lane fetches corners i0 and i0 + 1 together. The zero-masked extracts
// keep the headers' undefined vectors (and their warnings) out.
FLUID_WIDE void GatherNeighboursWide(const float* base, __m512i index, __mmask16 live,
                                     __m512& near, __m512& far) {
  const __m512i low = _mm512_mask_i32gather_epi64(
      _mm512_setzero_si512(), static_cast<__mmask8>(live), _mm512_maskz_extracti64x4_epi64(0xF, index, 0),
      base, 4);
  const __m512i high = _mm512_mask_i32gather_epi64(
      _mm512_setzero_si512(), static_cast<__mmask8>(live >> 8),
      _mm512_maskz_extracti64x4_epi64(0xF, index, 1), base, 4);
  const __m512i even = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
  const __m512i odd = _mm512_add_epi32(even, _mm512_set1_epi32(1));
  near = _mm512_permutex2var_ps(_mm512_castsi512_ps(low), even, _mm512_castsi512_ps(high));
  far = _mm512_permutex2var_ps(_mm512_castsi512_ps(low), odd, _mm512_castsi512_ps(high));
}
FLUID_WIDE __m512 MixWide(__m512 near, __m512 far, __m512 r0, __m512 r1) {
  return _mm512_add_ps(_mm512_mul_ps(r0, near), _mm512_mul_ps(r1, far));
}

#undef FLUID_WIDE

#define FLUID_AVX2 __attribute__((target("avx2"), always_inline)) FLUID_EXACT_FP inline

// The same helpers eight lanes wide. Clamping blends on the comparison, as
// the plain code's two ifs do (a maximum would treat NaN differently).
FLUID_AVX2 __m256 ClampAvx2(__m256 p, __m256 lo, __m256 hi) {
  p = _mm256_blendv_ps(p, lo, _mm256_cmp_ps(p, lo, _CMP_LT_OQ));
  return _mm256_blendv_ps(p, hi, _mm256_cmp_ps(p, hi, _CMP_GT_OQ));
}
// Corners i0 and i0 + 1 are neighbours in memory: one 64-bit gather per
// lane fetches both, half the elements of two float gathers. `near` gets
// the i0 values and `far` the i0 + 1 values, lanes in order.
FLUID_AVX2 void GatherNeighboursAvx2(const float* base, __m256i index, __m256i live,
                                     __m256& near, __m256& far) {
  const long long* pairs = reinterpret_cast<const long long*>(base);
  const __m256i low = _mm256_mask_i32gather_epi64(
      _mm256_setzero_si256(), pairs, _mm256_castsi256_si128(index),
      _mm256_cvtepi32_epi64(_mm256_castsi256_si128(live)), 4);
  const __m256i high = _mm256_mask_i32gather_epi64(
      _mm256_setzero_si256(), pairs, _mm256_extracti128_si256(index, 1),
      _mm256_cvtepi32_epi64(_mm256_extracti128_si256(live, 1)), 4);
  const __m256 lowF = _mm256_castsi256_ps(low), highF = _mm256_castsi256_ps(high);
  // The shuffles leave lanes 0 1 4 5 | 2 3 6 7; the permute restores order.
  near = _mm256_castpd_ps(_mm256_permute4x64_pd(
      _mm256_castps_pd(_mm256_shuffle_ps(lowF, highF, _MM_SHUFFLE(2, 0, 2, 0))),
      _MM_SHUFFLE(3, 1, 2, 0)));
  far = _mm256_castpd_ps(_mm256_permute4x64_pd(
      _mm256_castps_pd(_mm256_shuffle_ps(lowF, highF, _MM_SHUFFLE(3, 1, 3, 1))),
      _MM_SHUFFLE(3, 1, 2, 0)));
}
FLUID_AVX2 __m256 MixAvx2(__m256 near, __m256 far, __m256 r0, __m256 r1) {
  return _mm256_add_ps(_mm256_mul_ps(r0, near), _mm256_mul_ps(r1, far));
}

#undef FLUID_AVX2

}  // namespace

void AdvectPlanePlain(const Grid& at, const AdvectTarget* targets, int count, const float* u,
                      const float* v, const float* w, float dt0, int32_t k) {
  for (int32_t j = 1; j <= at.ny; ++j) {
    for (int32_t i = 1; i <= at.nx; ++i) AdvectCell(at, targets, count, u, v, w, dt0, i, j, k);
  }
}

bool WideAdvectUsable(const Grid& at) {
  return ActiveIsa() != Isa::kBase &&
         at.Size() < static_cast<size_t>(std::numeric_limits<int32_t>::max());
}

namespace {

// Eight lanes, otherwise as the AVX-512 form.
__attribute__((target("avx2"))) FLUID_EXACT_FP void AdvectPlaneAvx2(
    const Grid& at, const AdvectTarget* targets, int count, const float* u, const float* v,
    const float* w, float dt0, int32_t k) {
  const __m256 half = _mm256_set1_ps(0.5f);
  const __m256 one = _mm256_set1_ps(1.0f);
  const __m256 maxX = _mm256_set1_ps(at.nx + 0.5f);
  const __m256 maxY = _mm256_set1_ps(at.ny + 0.5f);
  const __m256 maxZ = _mm256_set1_ps(at.nz + 0.5f);
  const __m256 dt0v = _mm256_set1_ps(dt0);
  const __m256 kf = _mm256_set1_ps(static_cast<float>(k));
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i rowV = _mm256_set1_epi32(static_cast<int32_t>(at.RowStride()));
  const __m256i planeV = _mm256_set1_epi32(static_cast<int32_t>(at.PlaneStride()));
  for (int32_t j = 1; j <= at.ny; ++j) {
    const __m256 jf = _mm256_set1_ps(static_cast<float>(j));
    for (int32_t i = 1; i <= at.nx; i += 8) {
      // The last run of a row may be short: its missing lanes read and
      // write nothing.
      const __m256i liveI = _mm256_cmpgt_epi32(_mm256_set1_epi32(at.nx - i + 1), lanes);
      const size_t cell = at(i, j, k);
      const __m256 fi = _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(i), lanes));
      const __m256 px = ClampAvx2(_mm256_sub_ps(fi, _mm256_mul_ps(dt0v, _mm256_maskload_ps(u + cell, liveI))), half, maxX);
      const __m256 py = ClampAvx2(_mm256_sub_ps(jf, _mm256_mul_ps(dt0v, _mm256_maskload_ps(v + cell, liveI))), half, maxY);
      const __m256 pz = ClampAvx2(_mm256_sub_ps(kf, _mm256_mul_ps(dt0v, _mm256_maskload_ps(w + cell, liveI))), half, maxZ);
      const __m256i i0 = _mm256_cvttps_epi32(px);
      const __m256i j0 = _mm256_cvttps_epi32(py);
      const __m256i k0 = _mm256_cvttps_epi32(pz);
      const __m256 s1 = _mm256_sub_ps(px, _mm256_cvtepi32_ps(i0)), s0 = _mm256_sub_ps(one, s1);
      const __m256 t1 = _mm256_sub_ps(py, _mm256_cvtepi32_ps(j0)), t0 = _mm256_sub_ps(one, t1);
      const __m256 r1 = _mm256_sub_ps(pz, _mm256_cvtepi32_ps(k0)), r0 = _mm256_sub_ps(one, r1);
      const __m256i c000 = _mm256_add_epi32(
          i0, _mm256_add_epi32(_mm256_mullo_epi32(j0, rowV), _mm256_mullo_epi32(k0, planeV)));
      const __m256i c010 = _mm256_add_epi32(c000, rowV);
      const __m256i c001 = _mm256_add_epi32(c000, planeV);
      const __m256i c011 = _mm256_add_epi32(c010, planeV);
      for (int f = 0; f < count; ++f) {
        const float* d0 = targets[f].d0;
        __m256 g000, g100, g001, g101, g010, g110, g011, g111;
        GatherNeighboursAvx2(d0, c000, liveI, g000, g100);
        GatherNeighboursAvx2(d0, c001, liveI, g001, g101);
        GatherNeighboursAvx2(d0, c010, liveI, g010, g110);
        GatherNeighboursAvx2(d0, c011, liveI, g011, g111);
        const __m256 low = _mm256_add_ps(_mm256_mul_ps(t0, MixAvx2(g000, g001, r0, r1)),
                                         _mm256_mul_ps(t1, MixAvx2(g010, g011, r0, r1)));
        const __m256 high = _mm256_add_ps(_mm256_mul_ps(t0, MixAvx2(g100, g101, r0, r1)),
                                          _mm256_mul_ps(t1, MixAvx2(g110, g111, r0, r1)));
        _mm256_maskstore_ps(targets[f].d + cell, liveI,
                            _mm256_add_ps(_mm256_mul_ps(s0, low), _mm256_mul_ps(s1, high)));
      }
    }
  }
}

// Same arithmetic per lane as AdvectCell; contraction stays off so nothing
// is fused into a multiply-add.
__attribute__((target("avx512f"))) FLUID_EXACT_FP void AdvectPlaneAvx512(
    const Grid& at, const AdvectTarget* targets, int count, const float* u, const float* v,
    const float* w, float dt0, int32_t k) {
  const __m512 half = _mm512_set1_ps(0.5f);
  const __m512 one = _mm512_set1_ps(1.0f);
  const __m512 maxX = _mm512_set1_ps(at.nx + 0.5f);
  const __m512 maxY = _mm512_set1_ps(at.ny + 0.5f);
  const __m512 maxZ = _mm512_set1_ps(at.nz + 0.5f);
  const __m512 dt0v = _mm512_set1_ps(dt0);
  const __m512 kf = _mm512_set1_ps(static_cast<float>(k));
  const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const int32_t row = static_cast<int32_t>(at.RowStride());
  const int32_t plane = static_cast<int32_t>(at.PlaneStride());
  const __m512i rowV = _mm512_set1_epi32(row);
  const __m512i planeV = _mm512_set1_epi32(plane);
  for (int32_t j = 1; j <= at.ny; ++j) {
    const __m512 jf = _mm512_set1_ps(static_cast<float>(j));
    for (int32_t i = 1; i <= at.nx; i += 16) {
      // The last run of a row may be short: its missing lanes read and
      // write nothing.
      const int32_t count16 = std::min(16, at.nx - i + 1);
      const __mmask16 live = static_cast<__mmask16>((1u << count16) - 1u);
      const size_t cell = at(i, j, k);
      const __m512 fi = ToFloatWide(_mm512_add_epi32(_mm512_set1_epi32(i), lanes));
      const __m512 px = ClampWide(_mm512_sub_ps(fi, _mm512_mul_ps(dt0v, _mm512_maskz_loadu_ps(live, u + cell))), half, maxX);
      const __m512 py = ClampWide(_mm512_sub_ps(jf, _mm512_mul_ps(dt0v, _mm512_maskz_loadu_ps(live, v + cell))), half, maxY);
      const __m512 pz = ClampWide(_mm512_sub_ps(kf, _mm512_mul_ps(dt0v, _mm512_maskz_loadu_ps(live, w + cell))), half, maxZ);
      const __m512i i0 = TruncateWide(px);
      const __m512i j0 = TruncateWide(py);
      const __m512i k0 = TruncateWide(pz);
      const __m512 s1 = _mm512_sub_ps(px, ToFloatWide(i0)), s0 = _mm512_sub_ps(one, s1);
      const __m512 t1 = _mm512_sub_ps(py, ToFloatWide(j0)), t0 = _mm512_sub_ps(one, t1);
      const __m512 r1 = _mm512_sub_ps(pz, ToFloatWide(k0)), r0 = _mm512_sub_ps(one, r1);
      const __m512i c000 = _mm512_add_epi32(
          i0, _mm512_add_epi32(_mm512_mullo_epi32(j0, rowV), _mm512_mullo_epi32(k0, planeV)));
      const __m512i c010 = _mm512_add_epi32(c000, rowV);
      const __m512i c001 = _mm512_add_epi32(c000, planeV);
      const __m512i c011 = _mm512_add_epi32(c010, planeV);
      for (int f = 0; f < count; ++f) {
        const float* d0 = targets[f].d0;
        __m512 g000, g100, g001, g101, g010, g110, g011, g111;
        GatherNeighboursWide(d0, c000, live, g000, g100);
        GatherNeighboursWide(d0, c001, live, g001, g101);
        GatherNeighboursWide(d0, c010, live, g010, g110);
        GatherNeighboursWide(d0, c011, live, g011, g111);
        const __m512 low = _mm512_add_ps(_mm512_mul_ps(t0, MixWide(g000, g001, r0, r1)),
                                         _mm512_mul_ps(t1, MixWide(g010, g011, r0, r1)));
        const __m512 high = _mm512_add_ps(_mm512_mul_ps(t0, MixWide(g100, g101, r0, r1)),
                                          _mm512_mul_ps(t1, MixWide(g110, g111, r0, r1)));
        _mm512_mask_storeu_ps(targets[f].d + cell, live,
                              _mm512_add_ps(_mm512_mul_ps(s0, low), _mm512_mul_ps(s1, high)));
      }
    }
  }
}

}  // namespace

void AdvectPlaneWide(const Grid& at, const AdvectTarget* targets, int count, const float* u,
                     const float* v, const float* w, float dt0, int32_t k) {
  if (ActiveIsa() == Isa::kAvx512) {
    AdvectPlaneAvx512(at, targets, count, u, v, w, dt0, k);
  } else {
    AdvectPlaneAvx2(at, targets, count, u, v, w, dt0, k);
  }
}

}  // namespace fluid
