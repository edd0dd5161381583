#pragma once

#include <cstddef>

// Ends the viewer.
constexpr unsigned char KEY_ESCAPE = 27;

// What a key does to the viewer state, without the redisplay request and the
// trace line that the keyboard callback adds; Escape is the callback's own.
void applyKey(unsigned char key);

// Prints the camera as one line on standard output.
void printCameraTrace();

// Room for the camera line with any float values in it.
constexpr std::size_t CAMERA_TRACE_SIZE = 256;

// The camera as printCameraTrace prints it, without the newline.
void formatCameraTrace(char* text, std::size_t size);

void onKey(unsigned char key, int x, int y);

// Menu values that are commands rather than shapes.
constexpr int MENU_EXIT = 1;
constexpr int MENU_RESET_CAMERA = 38;
constexpr int MENU_CAMERA_TO_ORIGIN = 39;

// The menu label carrying this value, or null when the menu has none.
const char* menuLabel(int value);

void createShapeMenu();
void onMenuSelect(int value);
