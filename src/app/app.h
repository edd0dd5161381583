#pragma once

// Opens whichever of standard input, output and error is closed on /dev/null.
// Call it first, before anything opens a file: a closed descriptor would go to
// the next file opened, and the trace would then be written into the X
// connection, say, which hangs the viewer.
void openStandardDescriptors();

// The side of the viewer's square window, and of the gallery's pictures unless
// asked otherwise.
constexpr int WINDOW_SIZE = 250;
// Where the window's top left corner is asked for, on both axes.
constexpr int WINDOW_POSITION = 100;

// Asks GLUT for the viewer's window and creates it; glutInit must come first.
void openViewerWindow();

// The OpenGL state that stays fixed for the whole run, and the initial camera.
// Needs the window's context to be current.
void initRendering();
