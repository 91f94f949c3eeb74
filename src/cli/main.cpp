// pellvane-validate: the command line of Pellvane Photo Validator.

#include "cli/CodecReport.h"
#include "codec/cExifCodec.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Options {
    std::vector<std::string> files;
    bool segments = false;
    bool tags = false;
    bool json = false;
};

// Reports one file; returns false when it could not be opened or parsed.
bool ReportFile(const std::string& path, const Options& options) {
    using namespace pellvane;
    cExifCodec codec;
    const int32_t result = codec.OpenFile(path);
    const std::string reason = cli::OpenFailureReason(result);
    if (!reason.empty()) std::cerr << "pellvane-validate: " << path << ": " << reason << "\n";

    if (options.json) {
        nlohmann::json line = {{"file", path}, {"openResult", result}};
        line["codec"] = cli::HasModel(result) ? cli::CodecFacts(codec) : nlohmann::json(nullptr);
        std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else if (cli::HasModel(result)) {
        std::cout << path << "\n";
        if (!options.segments && !options.tags) std::cout << cli::SummaryText(codec);
        if (options.segments) std::cout << cli::SegmentsText(codec);
        if (options.tags) std::cout << cli::TagsText(codec);
    }
    codec.CloseFile();
    return reason.empty();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App app{"Pellvane Photo Validator: tells whether a JPEG is an original from a camera.",
                 "pellvane-validate"};
    app.add_option("FILE", options.files, "Photos to examine")->required();
    app.add_flag("--segments", options.segments, "List the JPEG segments with their readable descriptions");
    app.add_flag("--tags", options.tags, "List every EXIF/TIFF directory entry");
    app.add_flag("--json", options.json, "Print one JSON object per file (JSON Lines)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }

    bool allRead = true;
    for (const auto& file : options.files) allRead = ReportFile(file, options) && allRead;
    std::cout.flush();
    return allRead ? 0 : 1;
}
