// Gauss-Seidel relaxation, restructured for speed without changing a bit of
// the result.
//
// Each cell update reads the new values of its i-1, j-1, k-1 neighbours and
// the previous sweep's values of i+1, j+1, k+1; which axis the loops nest
// outermost does not matter as long as each one ascends. That leaves a true
// recurrence along every axis, so cells are computed along diagonals of a
// plane: cell (r, c) is stored at diagonal d = r + c, in group r / 16 and
// lane r % 16. The 16 lanes of one group on one diagonal are independent,
// and so are all groups on one diagonal, while every neighbour of such a
// vector is one load (same diagonal in the planes above and below,
// diagonals d-1 and d+1 for i-1 and i+1, and the same shifted by one float
// for j-1 and j+1). Walking the diagonals in order streams through memory.
// A plane is copied into this layout just before the first sweep needs it
// and back as soon as the last sweep is done with it.
//
// Sweeps are pipelined over planes: sweep s may update plane k once sweep
// s-1 has finished plane k+1 (and with it the border it writes). Sweeps then
// stay at least two planes apart, which is all the plain order guarantees
// too. The worker threads share the sweeps out and walk them as wavefronts,
// so a plane is reused by several sweeps while it is still in cache.
//
// Per-cell arithmetic is exactly the plain loop's (same order, float), and
// the border rule is applied as soon as the cells it copies are final,
// which is exactly when the plain loop's next sweep would see it.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sources/fluid_border.h"
#include "sources/fluid_exact_math.h"
#include "sources/fluid_grid.h"
#include "sources/fluid_isa.h"
#include "sources/fluid_relax.h"
#include "sources/fluid_solver.h"
#include "sources/fluid_workers.h"

namespace fluid {
namespace {

constexpr int32_t kLanes = 16;
constexpr int32_t kSweeps = 20;

// The kernels work on native vectors of W floats (16 with AVX-512, 8 with
// AVX2, 4 otherwise), a 16-lane group in 16 / W pieces: wider generic
// vectors than the target has are split through the stack.
template <int W>
struct Wide {
  typedef float F __attribute__((vector_size(W * sizeof(float))));
  typedef int32_t I __attribute__((vector_size(W * sizeof(int32_t))));
  // The same for loads that need no alignment.
  typedef float FAny __attribute__((vector_size(W * sizeof(float)), aligned(4)));
  typedef int32_t IAny __attribute__((vector_size(W * sizeof(int32_t)), aligned(4)));
};

// Diagonal copy of a bordered field: element (k, r, c) lives in plane k,
// block d = r + c, group r / 16, lane r % 16. A block holds one vector per
// group; group g of block d is the group's "time" t = d - 16g, i.e. lane m
// holds column t - m. Two spare blocks at the end let the last diagonal's
// neighbour loads stay inside the plane.
struct Skew {
  int32_t nx = -1, ny = -1, nz = -1;
  int32_t groups = 0;
  int32_t blocks = 0;
  size_t blockStride = 0;  // floats per diagonal block
  size_t planeStride = 0;  // floats per plane

  void Shape(int32_t sx, int32_t sy, int32_t sz) {
    nx = sx;
    ny = sy;
    nz = sz;
    groups = (sy + 2 + kLanes - 1) / kLanes;
    blocks = sx + groups * kLanes + 2;
    blockStride = static_cast<size_t>(groups) * kLanes;
    planeStride = blockStride * static_cast<size_t>(blocks);
  }
  size_t Floats() const { return planeStride * (static_cast<size_t>(nz) + 2); }
  size_t At(int32_t k, int32_t r, int32_t c) const {
    return planeStride * static_cast<size_t>(k) + blockStride * static_cast<size_t>(r + c) +
           static_cast<size_t>(r);
  }
};

// Scratch for the diagonal copies of x and x0; sized on first use and kept,
// so repeated steps on the same grid allocate nothing.
struct Workspace {
  Skew shape;
  float* x = nullptr;
  float* x0 = nullptr;
  size_t capacity = 0;
  // Lane masks (-1 where a lane holds an interior cell): per group for the
  // rows, per time step for the columns.
  std::vector<int32_t> rowLive;
  std::vector<int32_t> columnLive;

  // False when the memory cannot be had; the workspace is then empty.
  bool Fit(int32_t nx, int32_t ny, int32_t nz) {
    if (shape.nx == nx && shape.ny == ny && shape.nz == nz) return true;
    shape.Shape(nx, ny, nz);
    const size_t floats = shape.Floats();
    if (floats > capacity) {
      std::free(x);
      std::free(x0);
      const size_t bytes = (floats * sizeof(float) + 63) / 64 * 64;
      x = static_cast<float*>(std::aligned_alloc(64, bytes));
      x0 = static_cast<float*>(std::aligned_alloc(64, bytes));
      capacity = floats;
      if (x == nullptr || x0 == nullptr) {
        std::free(x);
        std::free(x0);
        *this = Workspace();
        return false;
      }
    }
    // Entries outside the field must hold harmless finite values: they are
    // computed on (and then discarded) alongside the real lanes.
    std::memset(x, 0, floats * sizeof(float));
    std::memset(x0, 0, floats * sizeof(float));
    rowLive.assign(static_cast<size_t>(shape.groups) * kLanes, 0);
    for (int32_t r = 1; r <= ny; ++r) rowLive[static_cast<size_t>(r)] = -1;
    const int32_t times = nx + kLanes + 1;
    columnLive.assign(static_cast<size_t>(times) * kLanes, 0);
    for (int32_t t = 0; t < times; ++t) {
      for (int32_t m = 0; m < kLanes; ++m) {
        if (t - m >= 1 && t - m <= nx) columnLive[static_cast<size_t>(t) * kLanes + m] = -1;
      }
    }
    return true;
  }
};

// A diagonal plane spans nx + ny diagonals of ny rows, padded to whole
// groups: for a tall thin grid that is many times the field (a 1x4094x1
// grid would need 400 MB for 0.15 MB of field). Beyond this factor the
// relaxation runs in place instead.
constexpr size_t kMaxCopyPerField = 8;

bool DiagonalCopyAffordable(const Grid& at) {
  Skew s;
  s.Shape(at.nx, at.ny, at.nz);
  return s.Floats() <= kMaxCopyPerField * at.Size();
}

Workspace& TheWorkspace() {
  static Workspace* workspace = new Workspace;
  return *workspace;
}

// Constants of one relaxation, broadcast once. Vectors are handled through
// pointers and references only: passing them by value between functions
// would tie the code to one vector ABI.
template <int W>
struct RelaxConsts {
  typename Wide<W>::F a, c;
  const int32_t* columnLive;
};

// Group g at time t: the 16 cells of its rows on one diagonal. `cur` points
// at the group, `block` is the distance between diagonals. A diagonal block
// holds its groups back to back, so the j-1 neighbours (lane m-1 one
// diagonal back, lane 0 from the previous group's last lane) and the j+1
// neighbours (lane m+1 one diagonal ahead) are unaligned loads. Masked
// steps change only interior cells; the others hold border or padding.
template <int W, bool kMasked>
__attribute__((always_inline)) FLUID_EXACT_FP inline void RelaxStep(
    float* cur, ptrdiff_t block, ptrdiff_t plane, const float* src, const int32_t* rowLive,
    const RelaxConsts<W>& consts, int32_t t) {
  typedef typename Wide<W>::F F;
  typedef typename Wide<W>::I I;
  typedef typename Wide<W>::FAny FAny;
  typedef typename Wide<W>::IAny IAny;
  for (int32_t h = 0; h < kLanes; h += W) {
    float* p = cur + h;
    F sum = *reinterpret_cast<const F*>(p - block) + *reinterpret_cast<const FAny*>(p - block - 1);
    sum = sum + *reinterpret_cast<const F*>(p + plane);
    sum = sum + *reinterpret_cast<const FAny*>(p + block + 1);
    sum = sum + *reinterpret_cast<const F*>(p - plane);
    sum = sum + *reinterpret_cast<const F*>(p + block);
    const F fresh = (*reinterpret_cast<const F*>(src + h) + consts.a * sum) / consts.c;
    if (kMasked) {
      const I old = *reinterpret_cast<const I*>(p);
      const I live = *reinterpret_cast<const IAny*>(rowLive + h) &
                     *reinterpret_cast<const IAny*>(consts.columnLive + t * kLanes + h);
      // A bitwise select: the compiler turns `live ? fresh : old` into branches.
      *reinterpret_cast<I*>(p) = ((I)fresh & live) | (old & ~live);
    } else {
      *reinterpret_cast<F*>(p) = fresh;
    }
  }
}

// Both copies walk the field row by row: the field side is read or written
// contiguously, and the block side steps one diagonal per cell, a line the
// next rows fill further while it is still in cache. Two running pointers
// per row keep the address arithmetic out of the loop.
void CopyRowSkewed(const float* from, float* to, size_t step, int32_t count) {
  for (int32_t c = 0; c < count; ++c, to += step) *to = from[c];
}

void CopyRowUnskewed(const float* from, size_t step, float* to, int32_t count) {
  for (int32_t c = 0; c < count; ++c, from += step) to[c] = *from;
}

void SkewIn(const Skew& s, const Grid& at, const float* field, float* skewed, int32_t k) {
  const size_t row = at.RowStride();
  const float* planeIn = field + at(0, 0, k);
  float* planeOut = skewed + s.At(k, 0, 0);
  for (int32_t r = 0; r <= s.ny + 1; ++r) {
    CopyRowSkewed(planeIn + row * static_cast<size_t>(r), planeOut + s.At(0, r, 0),
                  s.blockStride, s.nx + 2);
  }
}

// Copies back what the relaxation owns: interior and faces, not the edges.
void SkewOut(const Skew& s, const Grid& at, const float* skewed, float* field, int32_t k) {
  const size_t row = at.RowStride();
  const bool facePlane = k == 0 || k == s.nz + 1;
  float* planeOut = field + at(0, 0, k);
  const float* planeIn = skewed + s.At(k, 0, 0);
  for (int32_t r = 0; r <= s.ny + 1; ++r) {
    const bool borderRow = r == 0 || r == s.ny + 1;
    if (borderRow && facePlane) continue;
    // Border columns belong to the relaxation only on interior rows of
    // interior planes.
    const int32_t first = borderRow || facePlane ? 1 : 0;
    const int32_t last = borderRow || facePlane ? s.nx : s.nx + 1;
    CopyRowUnskewed(planeIn + s.At(0, r, first), s.blockStride,
                    planeOut + row * static_cast<size_t>(r) + static_cast<size_t>(first),
                    last - first + 1);
  }
}

struct RelaxJob {
  void (*cells)(const RelaxJob&, int32_t);  // the kernel for the active level
  const Skew* shape;
  Grid at;
  float* field;         // the caller's x, read before the first sweep and
  const float* field0;  // written after the last; x0, read once
  float* x;
  float* x0;
  const int32_t* rowLive;
  const int32_t* columnLive;
  float a, c;
  float si, sj, sk;
  std::atomic<int32_t> progress[kSweeps];
};

void CopyPlane(const float* from, float* to, size_t count, float sign) {
  for (size_t e = 0; e < count; ++e) to[e] = sign * from[e];
}

// One sweep over one plane, diagonal after diagonal. On diagonal d, group g
// is at time t = d - 16g: it finds the previous group's rows already new and
// the next group's still old, exactly as the plain loop would, and all
// groups of a diagonal are independent, which keeps the arithmetic units
// busy instead of waiting on one recurrence.
template <int W>
__attribute__((always_inline)) FLUID_EXACT_FP inline void RelaxPlaneCells(
    const RelaxJob& job, int32_t k) {
  const Skew& s = *job.shape;
  float* plane = job.x + s.planeStride * static_cast<size_t>(k);
  const float* src = job.x0 + s.planeStride * static_cast<size_t>(k);
  RelaxConsts<W> consts;
  // Broadcast lane by lane: adding to a zero vector would turn -0 into +0.
  for (int32_t m = 0; m < W; ++m) {
    consts.a[m] = job.a;
    consts.c[m] = job.c;
  }
  consts.columnLive = job.columnLive;
  const int32_t lastTime = s.nx + kLanes - 1;
  const int32_t lastDiagonal = lastTime + (s.groups - 1) * kLanes;
  const ptrdiff_t block = static_cast<ptrdiff_t>(s.blockStride);
  const ptrdiff_t planeStride = static_cast<ptrdiff_t>(s.planeStride);
  // Groups wholly inside the interior rows, at times when all their lanes
  // are interior columns, need no mask: on each diagonal they form one run.
  const int32_t gInnerLast = (s.ny - (kLanes - 1)) / kLanes;
  auto masked = [&](ptrdiff_t base, int32_t g, int32_t d) {
    RelaxStep<W, true>(plane + base + g * kLanes, block, planeStride, src + base + g * kLanes,
                       job.rowLive + g * kLanes, consts, d - g * kLanes);
  };
  for (int32_t d = 1; d <= lastDiagonal; ++d) {
    const int32_t gFirst = std::max<int32_t>(0, (d - lastTime + kLanes - 1) / kLanes);
    const int32_t gLast = std::min<int32_t>(s.groups - 1, (d - 1) / kLanes);
    // t = d - 16g within [16, nx]; the + kLanes keeps the divisions' operands positive.
    const int32_t runFirst = std::max({gFirst, 1, (d - s.nx + 2 * kLanes - 1) / kLanes - 1});
    const int32_t runLast = std::min({gLast, gInnerLast, (d - kLanes + kLanes) / kLanes - 1});
    const ptrdiff_t base = block * d;
    int32_t g = gFirst;
    for (; g < runFirst && g <= gLast; ++g) masked(base, g, d);
    for (; g <= runLast; ++g) {
      RelaxStep<W, false>(plane + base + g * kLanes, block, planeStride, src + base + g * kLanes,
                          nullptr, consts, 0);
    }
    for (; g <= gLast; ++g) masked(base, g, d);
  }
}

// The same loop compiled for each instruction-set level. The wider sets
// bring fused multiply-add; contraction stays off so every cell rounds
// exactly as the plain loop does.
__attribute__((target("avx512f"))) FLUID_EXACT_FP void RelaxPlaneCellsAvx512(
    const RelaxJob& job, int32_t k) {
  RelaxPlaneCells<16>(job, k);
}
__attribute__((target("avx2"))) FLUID_EXACT_FP void RelaxPlaneCellsAvx2(
    const RelaxJob& job, int32_t k) {
  RelaxPlaneCells<8>(job, k);
}
FLUID_EXACT_FP void RelaxPlaneCellsBase(const RelaxJob& job, int32_t k) {
  RelaxPlaneCells<4>(job, k);
}

void RelaxPlane(const RelaxJob& job, int32_t k) {
  job.cells(job, k);
  const Skew& s = *job.shape;
  float* plane = job.x + s.planeStride * static_cast<size_t>(k);
  // Border cells of this plane, read only by cells already final.
  float* x = job.x;
  for (int32_t r = 1; r <= s.ny; ++r) {
    x[s.At(k, r, 0)] = job.si * x[s.At(k, r, 1)];
    x[s.At(k, r, s.nx + 1)] = job.si * x[s.At(k, r, s.nx)];
  }
  for (int32_t col = 1; col <= s.nx; ++col) {
    x[s.At(k, 0, col)] = job.sj * x[s.At(k, 1, col)];
    x[s.At(k, s.ny + 1, col)] = job.sj * x[s.At(k, s.ny, col)];
  }
  // Whole-plane copies: only the interior rows and columns matter, and the
  // rest of a face plane is never read back.
  if (k == 1) CopyPlane(plane, plane - s.planeStride, s.planeStride, job.sk);
  if (k == s.nz) CopyPlane(plane, plane + s.planeStride, s.planeStride, job.sk);
}

// A run of consecutive sweeps is walked as a wavefront: at step tau, sweep
// first+n is on plane tau - 2n. Only the first sweep of a run waits on
// another run (the one before it), so a thread that falls behind never holds
// up the threads ahead of it.
void RelaxRun(RelaxJob& job, Share run) {
  const int32_t nz = job.shape->nz;
  const int32_t span = nz + 2 * (run.end - 1 - run.begin);
  for (int32_t tau = 1; tau <= span; ++tau) {
    for (int32_t sweep = run.begin; sweep < run.end; ++sweep) {
      const int32_t k = tau - 2 * (sweep - run.begin);
      if (k < 1 || k > nz) continue;
      if (sweep > 0) {
        const std::atomic<int32_t>& before = job.progress[sweep - 1];
        WaitUntil([&] { return before.load(std::memory_order_acquire) >= k + 1; });
      }
      // The copies in and out ride along with the first and last sweep, while
      // the planes they touch are in cache anyway.
      if (sweep == 0) {
        if (k == 1) {
          SkewIn(*job.shape, job.at, job.field, job.x, 0);
          SkewIn(*job.shape, job.at, job.field, job.x, 1);
        }
        SkewIn(*job.shape, job.at, job.field, job.x, k + 1);
        SkewIn(*job.shape, job.at, job.field0, job.x0, k);
      }
      RelaxPlane(job, k);
      if (sweep == kSweeps - 1) {
        SkewOut(*job.shape, job.at, job.x, job.field, k);
        if (k == 1) SkewOut(*job.shape, job.at, job.x, job.field, 0);
        if (k == nz) SkewOut(*job.shape, job.at, job.x, job.field, nz + 1);
      }
      job.progress[sweep].store(k == nz ? nz + 1 : k, std::memory_order_release);
    }
  }
}

// Sweeps are cut into runs of at most ten: a wavefront of twenty sweeps
// keeps twice as many planes in flight and falls out of cache (one thread
// went about a fifth faster with two runs of ten). Threads take runs in
// turn, so a thread waits only at the start of each of its runs.
constexpr int kMaxSweepsPerRun = 10;

void RelaxSweeps(RelaxJob& job, int part, int parts) {
  const int runs = std::max(parts, kSweeps / kMaxSweepsPerRun);
  for (int r = part; r < runs; r += parts) RelaxRun(job, ShareOf(kSweeps, r, runs));
}

}  // namespace
}  // namespace fluid

void fluid::RelaxInPlace(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x,
                         const float* x0, float a, float c) {
  const Grid at{nx, ny, nz};
  const size_t row = at.RowStride(), plane = at.PlaneStride();
  for (int32_t sweep = 0; sweep < kSweeps; ++sweep) {
    for (int32_t k = 1; k <= nz; ++k) {
      for (int32_t j = 1; j <= ny; ++j) {
        const size_t base = at(0, j, k);
        for (size_t e = base + 1; e <= base + static_cast<size_t>(nx); ++e) {
          x[e] = (x0[e] + a * (x[e - 1] + x[e - row] + x[e + plane] + x[e + row] + x[e - plane] +
                               x[e + 1])) /
                 c;
        }
      }
    }
    EnforceBoundary(nx, ny, nz, kind, x);
  }
}

void RelaxLinear(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                 float a, float c) {
  using namespace fluid;
  const Grid at{nx, ny, nz};
  Workspace& ws = TheWorkspace();
  if (!DiagonalCopyAffordable(at) || !ws.Fit(nx, ny, nz)) {
    RelaxInPlace(nx, ny, nz, kind, x, x0, a, c);
    return;
  }
  const Skew& s = ws.shape;

  RelaxJob job;
  switch (ActiveIsa()) {
    case Isa::kAvx512: job.cells = RelaxPlaneCellsAvx512; break;
    case Isa::kAvx2: job.cells = RelaxPlaneCellsAvx2; break;
    case Isa::kBase: job.cells = RelaxPlaneCellsBase; break;
  }
  job.shape = &s;
  job.at = at;
  job.field = x;
  job.field0 = x0;
  job.x = ws.x;
  job.x0 = ws.x0;
  job.rowLive = ws.rowLive.data();
  job.columnLive = ws.columnLive.data();
  job.a = a;
  job.c = c;
  job.si = kind == 1 ? -1.0f : 1.0f;
  job.sj = kind == 2 ? -1.0f : 1.0f;
  job.sk = kind == 3 ? -1.0f : 1.0f;
  for (std::atomic<int32_t>& p : job.progress) p.store(0, std::memory_order_relaxed);
  auto sweeps = [&](int part, int parts) { RelaxSweeps(job, part, parts); };
  RunOnWorkers(sweeps);

  SetBorderCorners(nx, ny, nz, x);
}
