#pragma once

// Subcommands of kazaguruma-engine. Each takes the arguments after its name and returns the exit
// status: 0 success, 2 bad input.
int runSfenCommand(int argc, char** argv);
int runThinkCommand(int argc, char** argv);
int runBenchCommand(int argc, char** argv);
// With no command at all: the USI engine on standard input and output.
int runUsiCommand(int argc, char** argv);
