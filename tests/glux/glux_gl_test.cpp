// gluX against the real driver: the extension string and the entry points of
// an actual GL context.
#include <gtest/gtest.h>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "glux/glux_texture3d.h"
#include "tests/support/gl_window.h"

namespace {

TEST(GluxGlDeathTest, WithoutAContextGluxInitRefusesToRun) {
  EXPECT_EXIT(gluxInit(0), testing::ExitedWithCode(255),
              testing::ContainsRegex("OpenGL should be initialized before calling gluxInit\\(\\) !\n$"));
}

TEST(GluxGlTest, EntryPointsReachTheDriver) {
  OpenGlWindow("glux_gl_test", 8, 8);
  testing::internal::CaptureStderr();
  gluxInit(0);
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("[ OK ] GL_ARB_multitexture\n[ OK ] GL_EXT_texture3D\n"), std::string::npos)
      << report;

  GLint active = 0, depth = 0;
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(active, GL_TEXTURE1_ARB);

  const GLubyte voxels[2 * 2 * 2] = {0, 1, 2, 3, 4, 5, 6, 7};
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage3DEXT(GL_TEXTURE_3D_EXT, 0, GL_LUMINANCE8, 2, 2, 2, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE,
                  voxels);
  glGetTexLevelParameteriv(GL_TEXTURE_3D_EXT, 0, GL_TEXTURE_DEPTH_EXT, &depth);
  EXPECT_EQ(depth, 2);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
