// An opened volume's viewer, one per process: its view state (everything
// the window shows, owned here and nowhere else), the panes that draw it and
// the routing of keys and the mouse to them. The built-in sources never
// have one: the GLUT callbacks keep their own paths for them.
#pragma once

#include "app/options.h"
#include "app/view_state.h"

// Before the window opens, once the volume is loaded: the state it starts
// in, from the options. A cursor given outside the volume is moved to its
// edge, with a line saying so; a crop box that keeps nothing of it is a
// wrong option: false, after the line and the usage on stderr.
bool CreateViewer(const ViewerOptions& options);
// Null without an opened volume.
ViewState* OpenedViewState();

// After the renderer's Init: shows the volume, prepares its mode and lays
// out the panes.
void StartViewer(const ViewerOptions& options);

// The GLUT callbacks' share, while a viewer exists.
void DrawViewer();
// False for keys the view has no use for.
bool ViewerKey(unsigned char key);
void ViewerSpecialKey(int key, int x, int y);
void ViewerMouse(int button, int state, int x, int y);
void ViewerMotion(int x, int y);
// The pointer moved with no button held: the status line follows it.
// Whether the picture shows anything that follows the pointer.
bool ViewerPassiveMotion(int x, int y);
// After the fluid (key f): the opened volume on show again as it was.
void ShowViewerVolumeAgain();
// A render mode chosen by name (the menu), with its line; one this GL cannot
// draw is refused with the renderer's line.
void ViewerSetMode(RenderMode mode);
// Whether the right button opens the menu where the pointer is: over the
// 3D view or the status line, the editor hidden, the fluid off.
bool ViewerMenuWanted();

// The window the transfer function spans: the opened volume's, else 0..1
// (the built-in volumes' values are normalised).
IntensityWindow TransferWindow();
