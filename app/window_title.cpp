#include "app/window_title.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

std::string ViewerTitle(const std::string& volumePath) {
  std::string name = volumePath;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  const size_t slash = name.find_last_of('/');
  if (slash != std::string::npos && slash + 1 < name.size()) name = name.substr(slash + 1);
  return "volview \u2014 " + name;
}

void NameCurrentWindow(const std::string& title) {
  Display* display = glXGetCurrentDisplay();
  const Window window = glXGetCurrentDrawable();
  if (display == nullptr || window == 0) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(title.c_str());
  const int length = static_cast<int>(title.size());
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace, bytes,
                  length);
  XChangeProperty(display, window, XA_WM_NAME, utf8, 8, PropModeReplace, bytes, length);
  XFlush(display);
}
