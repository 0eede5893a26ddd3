// A single DICOM file looked at with GDCM's parser before ITK's reader sees
// it: what that reader would pass silently or abort on.
#pragma once

#include <string>

// The path ITK should read the file from: `path` itself, or a repaired copy
// in memory ("/proc/self/fd/N") for a file that steps through frames it
// does not count (an RT dose grid without Number of Frames, on which GDCM
// aborts); the copy lives as long as the process. Throws VolumeFileError
// "<name>: file is cut short (...)" when uncompressed pixel data holds fewer
// bytes than rows x columns x frames x samples x bits allocated. A file
// GDCM cannot parse passes unchanged: ITK's reader says why.
std::string CheckDicomFile(const std::string& name, const std::string& path);
