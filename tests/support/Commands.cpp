#include "support/Commands.h"

#include <array>
#include <cstdio>

namespace pellvane::test {

std::string RunCommand(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 65536> buffer;
        size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            out.append(buffer.data(), n);
        ::pclose(pipe);
    }
    return out;
}

std::string ShellQuoted(const std::string& argument) {
    std::string quoted = "'";
    for (const char c : argument)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace pellvane::test
