// Instruction-set level of the solver's wide kernels, chosen once from the
// processor; tests and benchmarks may lower it to exercise every version.
#pragma once

namespace fluid {

enum class Isa { kBase, kAvx2, kAvx512 };

// The best level this processor supports, at most the cap that the
// environment variable VOLVIEW_FLUID_ISA (base, avx2) sets; read once.
Isa BestIsa();

// The level in use: BestIsa() unless lowered by LimitIsa.
Isa ActiveIsa();

// Uses at most `level` from now on (never more than BestIsa()).
void LimitIsa(Isa level);

// "AVX-512", "AVX2" or "plain", for reports.
const char* IsaName(Isa level);

}  // namespace fluid
