// --screenshot: the viewer draws its picture, writes it as PNG and exits;
// with --turntable, one picture per frame of a whole turn.
#pragma once

#include <array>
#include <string>

// `count` pictures: one is written to `path` itself, more are named after
// it by TurntableFramePath.
void RequestScreenshot(const std::string& path, int count = 1);

// Pictures written so far.
int ScreenshotsTaken();
// Whether pictures are still to be written.
bool ScreenshotsPending();

// "frames/turn.png", 7 of 36 -> "frames/turn_007.png": the frame number
// before the extension (appended when there is none), with three digits or
// as many as the last frame's, so the names of a turn sort in order.
std::string TurntableFramePath(const std::string& path, int frame, int frames);

// Why `frames` pictures of `size` could not be written to `path` (one) or
// the turntable names after it: the folder missing, not a folder or not
// writable, a file in a picture's place that cannot be replaced, or for a
// turntable too little free disk; an empty text when they can.
std::string PictureOutputProblem(const std::string& path, int frames, std::array<int, 2> size);

// The next frame is written to `path` too, and the viewer goes on; a line
// says where, or why it could not be.
void SaveNextFrame(const std::string& path);
// "volview-001.png", or the first number not yet taken in the current folder.
std::string NextNumberedPicture(const std::string& stem);

// Called after a frame is drawn, before the buffers swap. Once the picture
// is complete it writes the requested file; after the last one it ends the
// process: exit code 0, or 1 with one line on stderr when a file cannot be
// written.
void TakeRequestedScreenshot();
