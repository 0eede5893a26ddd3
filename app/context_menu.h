// The right-click menu of an opened volume: GLUT's own popup menus, on the
// right button wherever it has no other use (the 3D view and the status
// line, not over the editor or in fluid mode; slice panes keep the right
// drag for their grey window). Every entry names its key.
#pragma once

// Makes the menus; needs the window and the presets set up.
void CreateContextMenu();

// Attaches the menu to the right button over (x, y) where it is wanted,
// and takes it away elsewhere; called as the pointer moves.
void UpdateContextMenu(bool wanted);
