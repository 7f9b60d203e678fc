#pragma once

// Moves the mouse pointer to a screen position. Does nothing when no display
// is open (headless tools and tests).
void warpMousePointer(int x, int y);
