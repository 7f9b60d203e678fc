#pragma once
// Starting another program and waiting for it to end.

#include <string>

struct ProcessHandle {
    int pid = -1;
    bool sigchldWasIgnored = false; // put back once the wait is over
};

// A write to a closed pipe (stderr into `| tee` that went away) fails with
// EPIPE instead of ending the process: a line is lost, not the run. Programs
// started by launchProgram get the default back.
void ignoreBrokenPipe();

// Starts the program `name` with no arguments: first as a file in the
// working directory, then through the folders of PATH. False when no
// runnable file of that name is found or it cannot be started.
bool launchProgram(const std::string& name, ProcessHandle& process);

// Waits without a time limit until the process has ended. False when the
// wait itself fails (no such process of ours). Works also when this process
// was started with SIGCHLD ignored.
bool waitForProgram(ProcessHandle& process);
