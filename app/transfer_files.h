// Transfer-function files (--tf, --save-tf) and the histogram behind the
// editor, wired to the editor and the renderer.
//
// A map's data values refer to a window: the opened volume's intensity
// window, or 0..1 for the built-in volumes, whose values are already
// normalised.
#pragma once

#include <string>

#include "app/options.h"
#include "files/volume_file.h"
#include "files/volume_window.h"

// Before the volume is read: whether --tf names a map that reads and
// --save-tf a file that can be written; if not, one line on stderr and
// false, so a long load is not wasted on a slip.
bool CheckTransferOptions(const ViewerOptions& options);

// --tf (or else, for an opened volume, the preset it starts from), --save-tf
// and the histogram, for the opened volume if there is one, over `window`.
// Call after the volume is read and before the GLUT window opens. A map that
// cannot be read, or a --save-tf folder that cannot be written, is reported
// in one line on stderr, and false returned.
bool SetUpTransferFiles(const ViewerOptions& options, const IntensityWindow& window);

// Reads a map into the editor, resampled over the window; throws
// TransferFileError (one line naming the file).
void LoadTransferFile(const std::string& path, const IntensityWindow& window);

// Puts a table (1024 floats) into the editor, to be uploaded like a map
// that LoadTransferFile read; `name` is what the status line calls it.
void LoadTransferTable(const float* table, const std::string& name);

// The name of the table last loaded (a preset's, a map file's), or "edited"
// once the editor changed it; empty before any.
std::string TransferTableName();

// After the renderer's Init: hands it a map that LoadTransferFile read. Does
// nothing otherwise, so the renderer keeps its own start-up table.
void UploadLoadedTransfer();

// From now on every edit is written to `path` when the mouse button that
// made it is released.
void SaveTransferEditsTo(const std::string& path);

// The mouse callback's hook for a button release: writes the table, over
// the window it spans, if it changed since the last write (or the start). A
// failed write is reported on stderr and the viewer goes on.
void SaveTransferIfEdited(const IntensityWindow& window);

// The editor shows the histogram of the volume's windowed values, computed
// when the editor is first drawn. The volume must stay alive meanwhile.
void ShowVolumeHistogram(const Volume& volume, const IntensityWindow& window);
