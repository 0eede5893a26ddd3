// One idle-call fluid advance at the program's size (170^3 interior),
// production solver against the plain reference loops, in the same run.
#include <benchmark/benchmark.h>

#include <random>

#include "sources/fluid_driver.h"
#include "sources/fluid_fields.h"
#include "sources/fluid_isa.h"
#include "sources/fluid_solver.h"
#include "sources/fluid_workers.h"
#include "tests/sources/fluid_oracle.h"

namespace {

// A stirred state: gentle random velocity and density.
void PrepareFields() {
  static bool allocated = false;
  if (!allocated) {
    gFluidNX = gFluidNY = gFluidNZ = 170;
    if (!AllocateFluidFields()) std::abort();
    allocated = true;
  }
  ClearFluidFields();
  gTimeStep = 0.4f;
  gViscosity = 0.005f;
  gDiffusion = 0.0f;
  gForceScale = 1.0f;
  gSourceDensity = 100.0f;
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> vel(-0.01f, 0.01f), dens(0.0f, 1.0f);
  for (size_t e = 0; e < FluidFieldSize(); ++e) {
    gVelU[e] = vel(rng);
    gVelV[e] = vel(rng);
    gVelW[e] = vel(rng);
    gDensity[e] = dens(rng);
  }
}

// Both buttons held and the pointer moving in a 500-pixel window, so every
// source is live.
void InjectMovingPointer(int step) {
  int32_t oldX = 200 + step % 50, oldY = 260;
  FluidPointer pointer{500, 500, oldX + 7, oldY - 3, oldX, oldY, true, true};
  InjectMouseSources(pointer, gDensityPrev, gVelUPrev, gVelVPrev);
}

// Arguments of the production runs: worker threads, then the highest
// instruction-set level (2 AVX-512, 1 AVX2, 0 plain), capped by the processor.
void Configure(benchmark::State& state) {
  fluid::SetWorkerCount(static_cast<int>(state.range(0)));
  fluid::LimitIsa(static_cast<fluid::Isa>(state.range(1)));
  state.SetLabel(fluid::IsaName(fluid::ActiveIsa()));
}

void IdleStep(int step) {
  InjectMovingPointer(step);
  StepVelocity(gFluidNX, gFluidNY, gFluidNZ, gVelU, gVelV, gVelW, gVelUPrev, gVelVPrev, gVelWPrev,
               gViscosity, gTimeStep);
  StepDensity(gFluidNX, gFluidNY, gFluidNZ, gDensity, gDensityPrev, gVelU, gVelV, gVelW,
              gDiffusion, gTimeStep);
}

void BM_IdleStepProduction(benchmark::State& state) {
  Configure(state);
  PrepareFields();
  // Untimed: the first step builds the relaxation's scratch, as the
  // viewer's first fluid frame does once.
  IdleStep(0);
  int step = 1;
  for (auto _ : state) {
    IdleStep(step++);
    benchmark::DoNotOptimize(gDensity[CellIndex(86, 86, 86)]);
  }
}
BENCHMARK(BM_IdleStepProduction)
    ->Args({2, 2})
    ->Args({2, 1})
    ->Args({1, 2})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

void BM_IdleStepReference(benchmark::State& state) {
  PrepareFields();
  int step = 0;
  for (auto _ : state) {
    InjectMovingPointer(step++);
    oracle::StepVelocity(gFluidNX, gFluidNY, gFluidNZ, gVelU, gVelV, gVelW, gVelUPrev, gVelVPrev,
                         gVelWPrev, gViscosity, gTimeStep);
    oracle::StepDensity(gFluidNX, gFluidNY, gFluidNZ, gDensity, gDensityPrev, gVelU, gVelV,
                        gVelW, gDiffusion, gTimeStep);
    benchmark::DoNotOptimize(gDensity[CellIndex(86, 86, 86)]);
  }
}
BENCHMARK(BM_IdleStepReference)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The relaxation alone, the bulk of a step (six of them per idle call).
template <bool kProduction>
void BM_Relax(benchmark::State& state) {
  if (kProduction) Configure(state);
  PrepareFields();
  for (auto _ : state) {
    if (kProduction) {
      RelaxLinear(gFluidNX, gFluidNY, gFluidNZ, 1, gVelUPrev, gVelU, 0.34f, 3.04f);
    } else {
      oracle::RelaxLinear(gFluidNX, gFluidNY, gFluidNZ, 1, gVelUPrev, gVelU, 0.34f, 3.04f);
    }
    benchmark::DoNotOptimize(gVelUPrev[CellIndex(86, 86, 86)]);
  }
}
BENCHMARK_TEMPLATE(BM_Relax, true)
    ->Args({2, 2})
    ->Args({2, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_Relax, false)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Advection of one field, the other per-cell pass with scattered reads.
template <bool kProduction>
void BM_Advect(benchmark::State& state) {
  if (kProduction) Configure(state);
  PrepareFields();
  for (auto _ : state) {
    if (kProduction) {
      AdvectField(gFluidNX, gFluidNY, gFluidNZ, 0, gDensityPrev, gDensity, gVelU, gVelV, gVelW,
                  gTimeStep);
    } else {
      oracle::AdvectField(gFluidNX, gFluidNY, gFluidNZ, 0, gDensityPrev, gDensity, gVelU, gVelV,
                          gVelW, gTimeStep);
    }
    benchmark::DoNotOptimize(gDensityPrev[CellIndex(86, 86, 86)]);
  }
}
BENCHMARK_TEMPLATE(BM_Advect, true)->Args({2, 2})->Args({2, 1})->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Advect, false)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
