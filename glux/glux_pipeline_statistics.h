// GL_ARB_pipeline_statistics_query through gluX, loaded on demand like
// GL_EXT_blend_minmax: --benchmark counts the fragments shaded per frame
// with it. Call gluxPipelineStatistics().isLoaded() with a GL context
// current before using the entry points.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include "glux/glux.h"

class GluxPipelineStatisticsPlugin : public GluxPlugin {
public:
  GluxPipelineStatisticsPlugin();
  bool loadEntryPoints() override;
};

GluxPlugin& gluxPipelineStatistics();

#define GLUX_PIPELINE_STATISTICS_ENTRY_POINTS(X)      \
  X(GenQueries, PFNGLGENQUERIESPROC)                  \
  X(BeginQuery, PFNGLBEGINQUERYPROC)                  \
  X(EndQuery, PFNGLENDQUERYPROC)                      \
  X(GetQueryObjectui64v, PFNGLGETQUERYOBJECTUI64VPROC)

#define GLUX_DECLARE_PIPELINE_STATISTICS_POINTER(fn, Type) extern Type glux_gl##fn;
GLUX_PIPELINE_STATISTICS_ENTRY_POINTS(GLUX_DECLARE_PIPELINE_STATISTICS_POINTER)
#undef GLUX_DECLARE_PIPELINE_STATISTICS_POINTER

#define glGenQueries glux_glGenQueries
#define glBeginQuery glux_glBeginQuery
#define glEndQuery glux_glEndQuery
#define glGetQueryObjectui64v glux_glGetQueryObjectui64v
