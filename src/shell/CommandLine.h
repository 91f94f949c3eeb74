#pragma once
// The file named on the command line. The program takes one path, bare or in single or
// double quotes; only the first quoted part of the command line counts.

#include <optional>
#include <string>
#include <string_view>

namespace pellvane {

// The process's arguments as one text, the way a command line reaches a program that reads
// it whole: the arguments after the program name, joined by single spaces.
std::string RawArguments(int argc, const char* const* argv);

// The command line the window reads. Several arguments are one path that a shell split at
// its spaces when, joined, they name an existing file or hold a quote; otherwise they are
// several files ("a.jpg b.jpg"), and the first one is the one to open.
std::string CommandLineOf(int argc, const char* const* argv);

// The path to analyse, or nothing. The text is trimmed and single quotes count as double
// quotes; when it holds a quote, only what stands between the first two quotes is taken, and
// a quote that is never closed yields nothing. A command line that names an existing file
// as it stands is taken whole before any quote is looked at, so that a path holding an
// apostrophe ("o'brien.jpg") still opens.
std::optional<std::string> FileFromCommandLine(std::string_view commandLine);

} // namespace pellvane
