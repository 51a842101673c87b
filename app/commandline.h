#pragma once

// The command line: "--help" and "--version" are answered on the terminal before the application
// starts, so neither needs a display, touches the catalogue or asks a running instance anything.
// Every other argument is left alone: Qt takes its own options (-platform, -style, …) and the
// program itself takes none.

#include <optional>

// The exit code when the command line was answered; nothing when the program is to start.
std::optional<int> AnswerCommandLine(int& argc, char* argv[]);
