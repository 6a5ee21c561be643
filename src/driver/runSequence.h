// The fixed sequence of a run.
#pragma once

// Runs the whole conversion; returns the exit status of a completed run (0).
int runConversion(int argc, char **argv);
