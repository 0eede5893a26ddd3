#include "app/pane.h"

#include <GL/gl.h>

void SetPaneViewport(const PaneRect& rect, int windowHeight) {
  glViewport(rect.x, windowHeight - rect.y - rect.height, rect.width, rect.height);
}
