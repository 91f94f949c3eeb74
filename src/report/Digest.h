#pragma once
// Hashes that identify an examined file: of the whole file, so that anyone can check a report
// speaks of the same file, and of its entropy-coded image data alone, which stays the same when
// only the metadata around it is edited.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace pellvane::report {

enum class DigestKind { Sha256, Md5 };

// The digest of the bytes as lower-case hexadecimal, as sha256sum and md5sum print it; "" when
// the library fails.
std::string DigestHex(DigestKind kind, std::span<const uint8_t> bytes);

struct FileIdentity {
    uint64_t size = 0;
    std::string sha256;
    std::string md5;
};

// The whole file's size and digests, read in blocks; nothing when it cannot be read.
std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path);

// The SHA-256 of `size` bytes at `offset` of the file (the codec's streamOffset and streamSize).
// Nothing when the range is empty or does not lie inside the file, or the file cannot be read.
std::optional<std::string> ImageDataSha256(const std::filesystem::path& path, int64_t offset, int64_t size);

} // namespace pellvane::report
