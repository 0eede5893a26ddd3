// Runs each test in a fresh temporary folder holding the renderer's two
// shader files, removed with it, and reads what a set-up step throws.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "cg/shader_backend.h"
#include "render/vol_render.h"

class ShaderFolder : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
    ASSERT_TRUE(mkdtemp(dir) && chdir(dir) == 0);
    Write("volrendVert.cg", "void main() {}\n");
    Write("volrendFrag.cg", "uniform vec3 lightPos;\nvoid main() {}\n");
  }
  void TearDown() override {
    cgrt::ResetRuntime(nullptr);
    ASSERT_EQ(chdir(oldDir), 0);
    std::system((std::string("rm -rf '") + dir + "'").c_str());
  }
  static void Write(const char* name, const char* text) { std::ofstream(name) << text; }
  // "message|listing" of what the step throws.
  std::string Thrown(void (VolRender::*step)() = &VolRender::InitShaders) {
    try {
      (renderer.*step)();
    } catch (const VolRender::CgError& error) {
      return error.message + "|" + error.listing;
    }
    return "";
  }

  char dir[18] = "/tmp/cgtestXXXXXX";
  char oldDir[4096];
  VolRender renderer;
};
