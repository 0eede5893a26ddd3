#include "render/glsl_source.h"

#include <gtest/gtest.h>

using cgrt::PrepareGlslSource;
using cgrt::Stage;

TEST(GlslSource, PositionInvarianceWrapsOnlyTheVertexMain) {
  const std::string text = "void main()\n{\n  gl_Position = vec4(0.0);\n}\n";
  const std::string out = PrepareGlslSource(text, Stage::Vertex, nullptr, true).source;
  EXPECT_EQ(out.rfind("#version 120\n#define main cgEntryMain\n#line 0\n" + text, 0), 0u);
  // ftransform() comes after the program's own code, so it wins.
  EXPECT_NE(out.find("#undef main\nvoid main()\n{\n  cgEntryMain();\n"
                     "  gl_Position = ftransform();\n}"),
            std::string::npos);
  EXPECT_EQ(PrepareGlslSource(text, Stage::Fragment, nullptr, true).source,
            "#version 120\n#line 0\n" + text);
  // A version line of the file's own stays first; lines keep their numbers.
  EXPECT_EQ(PrepareGlslSource("#version 110\nvoid main() {}\n", Stage::Fragment, "main", false)
                .source,
            "#version 110\n#line 1\nvoid main() {}\n");
}

TEST(GlslSource, OnlyWholeSamplerDeclarationsAreBindings) {
  const std::string text =
      "uniform sampler3D volume : TEXUNIT0;\n"
      "uniform vec3 v : TEXUNIT1;\n"           // not a sampler
      "sampler2D s : TEXUNIT1;\n"              // not a uniform
      "uniform sampler2D t :\nTEXUNIT1;\n"      // split over lines
      "uniform sampler2D w : TEXUNIT1x;\n"     // another word
      "uniform sampler2D x : TEXUNIT123;\n"    // no such unit
      "uniform  samplerCube\ty:TEXUNIT12; // note\n";
  const cgrt::PreparedSource prepared = PrepareGlslSource(text, Stage::Fragment, nullptr, false);
  ASSERT_EQ(prepared.samplerUnits.size(), 2u);
  EXPECT_EQ(prepared.samplerUnits[0], std::make_pair(std::string("volume"), 0));
  EXPECT_EQ(prepared.samplerUnits[1], std::make_pair(std::string("y"), 12));
  EXPECT_NE(prepared.source.find("uniform sampler3D volume;\nuniform vec3 v : TEXUNIT1;"),
            std::string::npos);
  EXPECT_NE(prepared.source.find("uniform  samplerCube\ty; // note\n"), std::string::npos);
}
