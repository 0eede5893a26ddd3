#include "glux/glux.h"

GluxRegistry* gluxRegistry = nullptr;

GluxPlugin::GluxPlugin(bool required)
    : name("[unknown]"),
      loaded(false),
      required(required),
      attempted(false),
      development(false),
      linked(nullptr) {}

bool GluxPlugin::isLoaded() {
  if (!attempted) load(0);
  return loaded;
}

bool GluxPlugin::load(std::int32_t flags) {
  if (attempted) return loaded;
  attempted = true;
  const bool ok = linked ? linked->isLoaded() : loadEntryPoints();
  loaded = ok && (!development || (flags & GLUX_ACCEPT_DEVELOPMENT) != 0);
  return loaded;
}

void GluxPlugin::linkTo(GluxPlugin* first) {
  linked = first;
  required = required || first->required;
}

bool GluxPlugin::loadEntryPoints() {
  return true;
}

void gluxRegisterPlugin(GluxPlugin* plugin) {
  // Created on first use: a declaration may run before this file's own
  // static initialisation.
  if (!gluxRegistry) gluxRegistry = new GluxRegistry;
  const auto inserted = gluxRegistry->emplace(plugin->getName(), plugin);
  GluxPlugin* first = inserted.first->second;
  // Registering the same object twice must not link it to itself, which
  // would make its load report failure without resolving anything.
  if (!inserted.second && first != plugin) plugin->linkTo(first);
}
