// Start-up steps of the shell that run before the renderer is initialised.
#pragma once

// Prints vendor, renderer, version, extensions and the largest 3D texture.
void PrintGlInfo();
// Fluid sizes and parameters, the eight fields allocated and cleared; ends
// the process with exit code 1 when the fields cannot be allocated.
void InitFluidDefaults();
void InitGlState();
