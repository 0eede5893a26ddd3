#include "glux/glux_pipeline_statistics.h"

#include "glux/glux_entry_points.h"

namespace {
const char kExtension[] = "GL_ARB_pipeline_statistics_query";
}  // namespace

#define GLUX_DEFINE_PIPELINE_STATISTICS_ENTRY_POINT(fn, Type) GLUX_DEFINE_ENTRY_POINT(kExtension, fn, Type)
GLUX_PIPELINE_STATISTICS_ENTRY_POINTS(GLUX_DEFINE_PIPELINE_STATISTICS_ENTRY_POINT)

GluxPipelineStatisticsPlugin::GluxPipelineStatisticsPlugin() : GluxPlugin(false) { name = kExtension; }

bool GluxPipelineStatisticsPlugin::loadEntryPoints() {
  if (!gluxExtensionListed(kExtension)) return false;
  GLUX_PIPELINE_STATISTICS_ENTRY_POINTS(GLUX_RESOLVE_OR_FAIL)
  return true;
}

GluxPlugin& gluxPipelineStatistics() {
  static GluxPipelineStatisticsPlugin plugin;
  return plugin;
}
