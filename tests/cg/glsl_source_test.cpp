#include "render/glsl_source.h"

#include <gtest/gtest.h>

TEST(GlslSource, OnlyWholeSamplerDeclarationsAreBindings) {
  const std::string text =
      "uniform sampler3D volume : TEXUNIT0;\n"
      "uniform vec3 v : TEXUNIT1;\n"           // not a sampler
      "sampler2D s : TEXUNIT1;\n"              // not a uniform
      "uniform sampler2D t :\nTEXUNIT1;\n"      // split over lines
      "uniform sampler2D w : TEXUNIT1x;\n"     // another word
      "uniform sampler2D x : TEXUNIT123;\n"    // no such unit
      "uniform  samplerCube\ty:TEXUNIT12; // note\n";
  const cgrt::PreparedSource prepared =
      cgrt::PrepareGlslSource(text, cgrt::Stage::Fragment, nullptr, false);
  ASSERT_EQ(prepared.samplerUnits.size(), 2u);
  EXPECT_EQ(prepared.samplerUnits[0], std::make_pair(std::string("volume"), 0));
  EXPECT_EQ(prepared.samplerUnits[1], std::make_pair(std::string("y"), 12));
  EXPECT_NE(prepared.source.find("uniform sampler3D volume;\nuniform vec3 v : TEXUNIT1;"),
            std::string::npos);
  EXPECT_NE(prepared.source.find("uniform  samplerCube\ty; // note\n"), std::string::npos);
}
