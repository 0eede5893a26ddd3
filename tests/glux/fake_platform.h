// A scripted GL driver and message box for gluX tests: no context needed.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "glux/glux_test_seam.h"

namespace fake {

// Installs the fake platform. `extensions` null means "no GL context".
// Every lookup succeeds and returns driverEntry, except the one named by
// failLookupOf.
void install(const char* extensions);
void failLookupOf(const char* name);

// The function every successful lookup hands out.
void driverEntry();

// Names asked of the lookup, in order.
const std::vector<std::string>& lookups();

template <typename Fn>
bool reachesDriver(Fn pointer) {
  return reinterpret_cast<GluxProc>(pointer) == &driverEntry;
}

// The fake message box writes its arguments to stderr in this form, so that
// death tests can see them.
std::string boxOutput(const std::string& caption, const std::string& text, bool errorIcon);

// Exact match on a death test's stderr.
inline testing::Matcher<const std::string&> stderrIs(const std::string& expected) {
  return testing::Matcher<const std::string&>(expected);
}

}  // namespace fake

// The report lines around the plugin lines.
inline const std::string kReportOpening =
    "\n-=-=-=-=-=-=-=-=-=-=-=-=-\n      glux v1.51\n-=-=-=-=-=-=-=-=-=-=-=-=-\n";
inline const std::string kReportClosing = "-=-=-=-=-=-=-=-=-=-=-=-=-\n\n";
