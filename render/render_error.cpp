#include "render/vol_render.h"

VolRender::Error::Error(const char* text) : message(text ? text : "#Erreur indefinie#") {}
