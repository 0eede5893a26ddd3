// Small checks every reader makes before it trusts a path or a claim:
// the kind of file, permission, free memory, and the name as printed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "files/escaped_name.h"

// Throws VolumeFileError "<name>: <reason>" unless `path` is a regular file
// (or a folder, when `folderAllowed`) that can be read. Never opens it, so a
// FIFO or a device cannot block.
void CheckReadable(const std::string& name, const std::string& path, bool folderAllowed);

// "<path>: cannot read: <reason>" for the first regular file in `folder`
// this process cannot read; nullopt when it can read them all. A series
// scan skips such files silently.
std::optional<std::string> UnreadableFileIn(const std::string& folder);

// A data file named by a header: a readable regular file that is not the
// header itself. Returns its size.
uint64_t CheckDataFile(const std::string& name, const std::string& header, const std::string& data);

// `named` relative to the folder of `header`, unless absolute.
std::string BesideHeader(const std::string& header, const std::string& named);

// MemAvailable from /proc/meminfo, in bytes (the total if it cannot be read).
uint64_t MemoryAvailable();

// Throws "<name>: too large for memory: needs N GB, M GB free" when `bytes`
// exceed `available`.
void CheckMemory(const std::string& name, uint64_t bytes, uint64_t available = MemoryAvailable());
