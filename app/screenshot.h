// --screenshot: the viewer draws its picture, writes it as PNG and exits.
#pragma once

#include <string>

void RequestScreenshot(const std::string& path);

// Called after a frame is drawn, before the buffers swap. Once the picture
// is complete it writes the requested file and ends the process: exit code
// 0, or 1 with one line on stderr when the file cannot be written.
void TakeRequestedScreenshot();
