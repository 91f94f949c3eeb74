#pragma once
// Runs pellvane-validate as a user would, with its standard output and standard error kept.

#include "support/TempFolder.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace pellvane::test {

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The command with `arguments` (already quoted for the shell); standard error goes through a
// file in `temp`.
inline ProcessRun RunValidate(const std::string& arguments, const ScopedTempFolder& temp) {
    const auto errPath = temp.Input("stderr.txt");
    const std::string command =
        std::string(PELLVANE_VALIDATE_EXE) + " " + arguments + " 2>" + errPath.string();
    ProcessRun run;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buf;
        size_t n;
        while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0)
            run.out.append(buf.data(), n);
        const int raw = ::pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::ifstream err(errPath);
    std::stringstream text;
    text << err.rdbuf();
    run.err = text.str();
    return run;
}

} // namespace pellvane::test
