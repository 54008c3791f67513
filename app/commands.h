#pragma once

// Subcommands of kazaguruma-engine. Each takes the arguments after its name and returns the exit
// status: 0 success, 2 bad input.
int runSfenCommand(int argc, char** argv);
int runKifCommand(int argc, char** argv);
int runThinkCommand(int argc, char** argv);
int runBenchCommand(int argc, char** argv);
