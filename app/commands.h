#pragma once

// The largest --time-ms: a day.
constexpr long MAX_TIME_MS = 86400000L;

// Subcommands of kazaguruma-engine. Each takes the arguments after its name and returns the exit
// status: 0 success, 2 bad input.
int runSfenCommand(int argc, char** argv);
int runKifCommand(int argc, char** argv);
int runThinkCommand(int argc, char** argv);
int runBenchCommand(int argc, char** argv);
// Searches a forced mate for the side to move: "found MOVE length N nodes N time_ms N" or "nomate
// ...".
int runMateCommand(int argc, char** argv);
// Prints 1 when the side to move can force mate (in-search mate test), else 0.
int runTestmateCommand(int argc, char** argv);
// With no command at all: the USI engine on standard input and output.
int runUsiCommand(int argc, char** argv);
