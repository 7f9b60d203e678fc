#pragma once
// The program's life: start-up, the main loop, shutdown and the frame-rate
// report.

#include <cstdint>

// Runs the whole program in the working directory (the game folder) and
// returns the process exit code.
int runProgram();

// The timer's work, once a millisecond on the timer's thread.
void tickTimerProc();
