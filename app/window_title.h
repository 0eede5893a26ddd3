// The title of an opened volume's window names its file, in UTF-8 as window
// managers read it (_NET_WM_NAME), and in the classic name property too.
#pragma once

#include <string>

// "volview — t1_head.nii.gz" for "scans/t1_head.nii.gz" (a folder: its name).
std::string ViewerTitle(const std::string& volumePath);

// Renames the current GL window; needs the GLUT window made current.
void NameCurrentWindow(const std::string& title);
