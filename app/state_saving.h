// Keeping an opened volume's view in a state file: --save-state's, written
// whenever the view settles and at exit, and key ctrl+s's, written at once.
#pragma once

#include "app/options.h"

// After StartViewer. With --save-state, the file is written now and at exit.
void StartSavingState(const ViewerOptions& options);

// After a key, a menu choice, a button released or the window resized:
// writes --save-state's file when the view is no longer the one it holds.
// A failed write is one line on stderr, and the viewer goes on.
void SaveStateIfChanged();

// Key ctrl+s: to --save-state's file, or "volview-state.json" in the
// current folder; one line says where.
void SaveStateNow();
