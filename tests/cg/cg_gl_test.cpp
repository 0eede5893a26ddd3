#define GL_GLEXT_PROTOTYPES 1
#include <GL/glu.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cg/cg_runtime.h"
#include "render/vol_render.h"
#include "shader_folder.h"
#include "tests/support/gl_window.h"

namespace {

const int kSize = 64;

// The shader set-up on the real GL backend, in a perspective projection.
class CgGl : public ShaderFolder {
protected:
  static void SetUpTestSuite() {
    OpenGlWindow("cg_gl_test", kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(40.0, 1.0, 1.0, 400.0);
    glMatrixMode(GL_MODELVIEW);
  }
};

// The vertex program does not write gl_ClipVertex: the user clip plane must
// still cut it as it cuts fixed function. A compile error's listing names
// our file and the line in it.
TEST_F(CgGl, CompileListingsAndClippingOfAPositionInvariantProgram) {
  Write("volrendFrag.cg", "// comment\nvoid main()\n{\n  gl_FragColor = undefinedThing;\n}\n");
  const std::string failed = Thrown();
  EXPECT_EQ(failed.rfind("The compile returned an error.|volrendFrag.cg:\n0:4(", 0), 0u) << failed;
  Write("volrendVert.cg", "void main() { gl_FrontColor = gl_Color; }\n");
  Write("volrendFrag.cg", "void main() { gl_FragColor = 2.0 * gl_Color; }\n");
  ASSERT_EQ(Thrown(), "");
  // Grey unshaded, white shaded, in perspective: any pixel covered differently shows.
  glColor3f(0.5f, 0.5f, 0.5f);
  glLoadIdentity();
  const GLdouble plane[4] = {1.0, 0.4, 0.0, 0.5};
  glClipPlane(GL_CLIP_PLANE0, plane);
  glEnable(GL_CLIP_PLANE0);
  glTranslatef(0.1f, -0.2f, -4.0f);
  glRotatef(53.0f, 0.3f, 1.0f, 0.2f);
  // Fixed function, shaded.
  std::vector<std::vector<unsigned char>> frame(2, std::vector<unsigned char>(kSize * kSize * 4));
  for (int shaded = 1; shaded >= 0; --shaded) {
    glClear(GL_COLOR_BUFFER_BIT);
    glRectf(-1, -1, 1, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, frame[shaded].data());
    cgGLDisableProfile(renderer.vertexProfile);
    cgGLDisableProfile(renderer.fragmentProfile);
  }
  int covered = 0, differing = 0;
  for (size_t i = 0; i < frame[0].size(); i += 4) {
    covered += frame[0][i] != 0;
    differing += (frame[0][i] != 0) != (frame[1][i] == 255);
  }
  EXPECT_TRUE(covered > kSize * kSize / 10 && covered < kSize * kSize * 9 / 10) << covered;
  EXPECT_EQ(differing, 0);
}

// Through a column of constant density the volume must be as opaque at 1000
// slices as at 200. The column is faint, so neither count saturates, and is
// blended into floats, so 8-bit rounding cannot hide a difference.
TEST_F(CgGl, AColumnOfConstantDensityIsAsOpaqueAtAnySliceCount) {
  ASSERT_EQ(chdir(oldDir), 0);  // where the viewer's own shaders are
  gRenderer.Init();
  GLuint floats = 0, framebuffer = 0;
  glGenRenderbuffers(1, &floats);
  glBindRenderbuffer(GL_RENDERBUFFER, floats);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA32F, kSize, kSize);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, floats);
  // Entry 1 of the start-up table, the faintest: nearly pure red, opacity 1/255.
  std::vector<float> volume(32 * 32 * 32, 1.0f / 255);
  gRenderer.SetData(volume.data(), 32, 32, 32);
  gRenderer.BuildGradients();
  float opacity[2] = {};
  for (int i : {0, 1}) {
    gRenderer.sliceCount = i ? 1000 : 200;
    gRenderer.BuildSlices();
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    gRenderer.Draw();
    glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_RED, GL_FLOAT, &opacity[i]);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_TRUE(opacity[0] > 0.5f && opacity[0] < 0.9f) << opacity[0];
  EXPECT_NEAR(opacity[1], opacity[0], 0.02f);
}

}  // namespace
