#include "codec/Budget.h"

#include "codec/mFile.h"

#include <array>
#include <functional>

namespace pellvane::budget {
namespace {

// A file with more segments before its frame header than this is not worth measuring.
constexpr int kMaxSegmentsBeforeFrame = 1024;

bool IsFrameMarker(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool HasNoLength(uint8_t marker) {
    return (marker >= 0xD0 && marker <= 0xD8) || marker == 0x01;
}

// Walks the segment headers through `read` (offset, buffer → bytes read) up to the frame header.
std::optional<int64_t> FramePixels(const std::function<size_t(int64_t, std::span<uint8_t>)>& read) {
    std::array<uint8_t, 9> head{};
    if (read(0, std::span(head).first(2)) != 2 || head[0] != 0xFF || head[1] != 0xD8) return std::nullopt;
    int64_t at = 2;
    for (int segments = 0; segments < kMaxSegmentsBeforeFrame; ++segments) {
        if (read(at, std::span(head).first(2)) != 2 || head[0] != 0xFF) return std::nullopt;
        const uint8_t marker = head[1];
        if (marker == 0xFF) { // a fill byte
            ++at;
            continue;
        }
        if (HasNoLength(marker)) {
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return std::nullopt;
        if (read(at, head) < (IsFrameMarker(marker) ? 9u : 4u)) return std::nullopt;
        if (IsFrameMarker(marker)) {
            const int64_t height = head[5] << 8 | head[6];
            const int64_t width = head[7] << 8 | head[8];
            return width * height;
        }
        at += 2 + (head[2] << 8 | head[3]);
    }
    return std::nullopt;
}

} // namespace

std::optional<int64_t> DeclaredJpegPixels(std::span<const uint8_t> bytes) {
    return FramePixels([&](int64_t offset, std::span<uint8_t> out) -> size_t {
        if (offset < 0 || static_cast<uint64_t>(offset) >= bytes.size()) return 0;
        const auto from = bytes.subspan(static_cast<size_t>(offset));
        const size_t n = std::min(out.size(), from.size());
        std::copy_n(from.begin(), n, out.begin());
        return n;
    });
}

std::optional<int64_t> DeclaredJpegPixels(const std::string& path) {
    const cFileHandle file = OpenFileHandle(path, true);
    if (!file.IsValid()) return std::nullopt;
    return FramePixels([&](int64_t offset, std::span<uint8_t> out) { return file.ReadAt(offset, out); });
}

void cTempWriter::Reset(int64_t fileSize) {
    *this = cTempWriter{};
    limit_ = TempBytes(fileSize);
}

cTempWriter::Written cTempWriter::Write(const std::string& prefix, int64_t source, bool patched,
                                        std::span<const uint8_t> bytes) {
    const Key key{prefix, source, patched, bytes.size()};
    if (const auto found = writtenPaths_.find(key); found != writtenPaths_.end()) {
        ++sharedCount_;
        return {found->second, false};
    }
    const auto size = static_cast<int64_t>(bytes.size());
    if (written_ + size > limit_) {
        ++withheldCount_;
        withheldBytes_ += size;
        return {"", true};
    }
    std::string path = WriteTempFile(prefix, ".JPG", bytes);
    if (path.empty()) return {};
    written_ += size;
    writtenPaths_.emplace(key, path);
    return {path, false};
}

} // namespace pellvane::budget
