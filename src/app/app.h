#pragma once

// Asks GLUT for the viewer's window and creates it; glutInit must come first.
void openViewerWindow();

// The OpenGL state that stays fixed for the whole run, and the initial camera.
// Needs the window's context to be current.
void initRendering();
