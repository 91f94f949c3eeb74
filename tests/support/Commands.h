#pragma once
// Running other programs from tests: exiftool as an independent witness, and our own command line.

#include <string>

namespace pellvane::test {

// The standard output of a shell command line.
std::string RunCommand(const std::string& command);

// The argument quoted for the shell so that it arrives unchanged, whatever quotes or signs it holds.
std::string ShellQuoted(const std::string& argument);

} // namespace pellvane::test
