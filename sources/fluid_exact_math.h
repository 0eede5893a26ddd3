// The wide solver kernels must round exactly like the plain loops, so the
// compiler may not fuse a multiply and an add into one multiply-add (which
// rounds once instead of twice); the wider instruction sets offer one.
#pragma once

#if defined(__clang__)
// Clang takes this for the rest of the file that includes it.
#pragma clang fp contract(off)
#define FLUID_EXACT_FP
#else
// For GCC, mark each wide function.
#define FLUID_EXACT_FP __attribute__((optimize("fp-contract=off")))
#endif
