// Start-up steps of the shell that run before the renderer is initialised.
#pragma once

// Prints vendor, renderer, version, extensions and the largest 3D texture.
void PrintGlInfo();
// "OpenGL: vendor, renderer, version" in one line.
void PrintGlSummary();
// Fluid sizes and parameters. With `allocateFields`, the eight fields are
// allocated and cleared, and the process ends with exit code 1 when they
// cannot be; without, EnsureFluidFields makes them when first wanted, so a
// viewer opened on a large volume does not hold them all along.
void InitFluidDefaults(bool allocateFields);
// Allocates and clears the fields unless they are there; false, leaving
// none allocated, when memory runs short.
bool EnsureFluidFields();
void InitGlState();
