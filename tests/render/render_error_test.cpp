#include <gtest/gtest.h>

#include "render/vol_render.h"

TEST(VolRenderError, OwnsACopyOfItsTextOrFallsBack) {
  EXPECT_EQ(VolRender::Error().message, "#Erreur indefinie#");
  EXPECT_EQ(VolRender::Error("").message, "");
  char text[] = "LoadRawData: Erreur, impossible de charger le fichier raw";
  const VolRender::Error error(text);
  text[0] = 'X';
  EXPECT_EQ(error.message, "LoadRawData: Erreur, impossible de charger le fichier raw");
}
