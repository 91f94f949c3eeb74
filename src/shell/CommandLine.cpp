#include "shell/CommandLine.h"

#include <algorithm>
#include <filesystem>

namespace pellvane {
namespace {

std::string_view TrimmedSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool NamesExistingFile(std::string_view text) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(text), error);
}

} // namespace

std::string RawArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

std::string CommandLineOf(int argc, const char* const* argv) {
    std::string joined = RawArguments(argc, argv);
    if (argc <= 2 || NamesExistingFile(joined)) return joined;
    if (joined.find_first_of("\"'") != std::string::npos) return joined;
    return argv[1];
}

std::optional<std::string> FileFromCommandLine(std::string_view commandLine) {
    std::string text(TrimmedSpaces(commandLine));
    if (text.empty()) return std::nullopt;
    if (NamesExistingFile(text)) return text;

    std::replace(text.begin(), text.end(), '\'', '"');
    const size_t open = text.find('"');
    if (open != std::string::npos) {
        const size_t close = text.find('"', open + 1);
        if (close == std::string::npos) return std::nullopt;
        text = std::string(TrimmedSpaces(std::string_view(text).substr(open + 1, close - open - 1)));
    }
    if (text.empty()) return std::nullopt;
    return text;
}

} // namespace pellvane
