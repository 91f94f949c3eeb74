#pragma once
// The command line's report files: where each photo's HTML report goes, writing without
// overwriting, the index of a folder of reports, and the image-data comparison of two files.

#include <string>
#include <vector>

namespace pellvane::cli {

// The report path of each photo in `folder`: the photo's name with ".html" in place of its
// extension; a name that an earlier photo of the list already took gets "-2", "-3", ...
std::vector<std::string> ReportPaths(const std::vector<std::string>& photos, const std::string& folder);

// Writes `text` to `path`. An existing file is refused unless `overwrite` is set. The reason
// for a failure, or "" when the file was written.
std::string WriteReportFile(const std::string& path, const std::string& text, bool overwrite);

// Compares the entropy-coded image data of two files, prints the verdict and returns the exit
// status: 0 the same picture, 1 a different one or a file whose image data cannot be read.
int ComparePictures(const std::string& first, const std::string& second);

} // namespace pellvane::cli
