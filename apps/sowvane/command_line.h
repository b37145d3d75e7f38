#pragma once
// The command line of the program: "qhTb:p:d:" with the long forms "help",
// "test", "bus", "port", "debug" and "quiet".

#include <string>

// A debug argument: at least 4 characters, "DB=" from the second. A leading
// 'J' makes the rest the filter string; a leading 'B' is accepted and
// changes nothing. False for anything else (filters unchanged).
bool parse_debug_argument(const char* argument, std::string& filters);

// Reads the options, starting the console tasks and setting the bus and
// port specifications and the debug filters. -1 when the program goes on,
// else the exit code (0 for help, 1 for a bad command line).
int read_command_line(int argc, char** argv);
