// A modal message box: a small window titled with the caption, showing the
// text and an OK button; OK, Enter or Escape closes it. Caption and text are
// also written to stderr. Works whether or not GLUT's main loop is running.
#pragma once

void ShowMessageBox(const char* caption, const char* text, bool errorIcon = false);

// True while a box waits for the user: the main window's callbacks must not
// run then, since its state may be half set up.
bool MessageBoxActive();

// What the box would show, as lines on stderr only, for runs no one watches.
void ReportInLine(const char* caption, const char* text, bool errorIcon = false);
