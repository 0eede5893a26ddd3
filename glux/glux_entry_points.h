// Shared by the plugin classes: how an entry-point pointer gets its fatal
// stub and how it is resolved. Entry points are listed without their "gl"
// prefix so that the public name macros never expand inside these macros.
#pragma once

#include "glux/glux_platform.h"

// Writes the two stub lines on stderr and ends the process with exit code -1.
[[noreturn]] void gluxMissingEntryPoint(const char* extension, const char* function);

// Plain substring test against the current extension string; false when
// there is none.
bool gluxExtensionListed(const char* extension);

// Stores the driver's function in `pointer`, or `stub` when the lookup fails.
template <typename Fn>
bool gluxResolve(Fn& pointer, Fn stub, const char* name) {
  const GluxProc found = gluxPlatform().lookupEntryPoint(name);
  pointer = found ? reinterpret_cast<Fn>(found) : stub;
  return found != nullptr;
}

// What an entry point of type Fn returns, so that a stub can stand for
// functions with a result too.
template <typename Fn>
struct GluxReturnOf;
template <typename R, typename... Args>
struct GluxReturnOf<R (*)(Args...)> {
  using type = R;
};
template <typename Fn>
using GluxReturnType = typename GluxReturnOf<Fn>::type;

// Defines `gluxStub_gl<fn>`, a function of type `Type` that reports the
// missing entry point, and the pointer `glux_gl<fn>`, constant-initialised
// to it so that it is valid even during static initialisation.
#define GLUX_DEFINE_ENTRY_POINT(extension, fn, Type)                                  \
  static constexpr Type gluxStub_gl##fn = [](auto...) -> GluxReturnType<Type> {       \
    gluxMissingEntryPoint(extension, "gl" #fn);                                       \
  };                                                                                  \
  Type glux_gl##fn = gluxStub_gl##fn;

// One step of loadEntryPoints: the first entry point that does not resolve
// ends the load; those after it keep what they held.
#define GLUX_RESOLVE_OR_FAIL(fn, Type) \
  if (!gluxResolve(glux_gl##fn, gluxStub_gl##fn, "gl" #fn)) return false;
