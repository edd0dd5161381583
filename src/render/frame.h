#pragma once

// The display callback: one complete frame of the selected shape over the axes.
void onDisplay();
