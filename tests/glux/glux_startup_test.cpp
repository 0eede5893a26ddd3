// The program's own two declarations, loaded against a driver that offers
// both extensions. This executable calls nothing of gluX but gluxInit, so it
// also shows that the declarations are linked in with it.
#include <gtest/gtest.h>

#include <vector>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "glux/glux_texture3d.h"
#include "tests/glux/fake_platform.h"

namespace {

// In registry key order, so multitexture first; within an extension in the
// order of its published function list.
std::vector<std::string> allEntryPointsInLoadOrder() {
  std::vector<std::string> names = {"glActiveTextureARB", "glClientActiveTextureARB"};
  for (const char* size : {"1", "2", "3", "4"})
    for (const char* type : {"d", "dv", "f", "fv", "i", "iv", "s", "sv"})
      names.push_back(std::string("glMultiTexCoord") + size + type + "ARB");
  names.push_back("glTexImage3DEXT");
  names.push_back("glTexSubImage3DEXT");
  return names;
}

TEST(GluxStartupTest, BothExtensionsLoadAndEveryPointerReachesTheDriver) {
  ASSERT_NE(gluxRegistry, nullptr);
  ASSERT_EQ(gluxRegistry->size(), 2u);
  ASSERT_EQ(gluxRegistry->count("GL_EXT_texture3D"), 1u);
  ASSERT_EQ(gluxRegistry->count("GL_ARB_multitexture"), 1u);

  fake::install("GL_ARB_imaging GL_ARB_multitexture GL_EXT_texture3D GL_EXT_bgra");
  testing::internal::CaptureStderr();
  gluxInit(0);
  const std::string report = testing::internal::GetCapturedStderr();

  EXPECT_EQ(report, kReportOpening + "-> initializing extensions\n" +
                        "[ OK ] GL_ARB_multitexture\n"
                        "[ OK ] GL_EXT_texture3D\n" +
                        kReportClosing);
  EXPECT_EQ(fake::lookups(), allEntryPointsInLoadOrder());
#define GLUX_EXPECT_DRIVER(fn, Type) EXPECT_TRUE(fake::reachesDriver(gl##fn)) << "gl" #fn;
  GLUX_MULTITEXTURE_ENTRY_POINTS(GLUX_EXPECT_DRIVER)
  GLUX_TEXTURE3D_ENTRY_POINTS(GLUX_EXPECT_DRIVER)
#undef GLUX_EXPECT_DRIVER

  // A further call repeats the report from the cached results.
  testing::internal::CaptureStderr();
  gluxInit(GLUX_ACCEPT_DEVELOPMENT);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), report);
  EXPECT_EQ(fake::lookups().size(), 36u);

  for (const auto& entry : *gluxRegistry) {
    EXPECT_FALSE(entry.second->isRequired()) << entry.first;
    EXPECT_FALSE(entry.second->isDevelopment()) << entry.first;
  }
}

}  // namespace
