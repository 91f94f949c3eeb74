#include "report/Digest.h"

#include <array>
#include <fstream>
#include <memory>
#include <vector>

#include <openssl/evp.h>

namespace pellvane::report {
namespace {

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

const EVP_MD* Algorithm(DigestKind kind) {
    return kind == DigestKind::Sha256 ? EVP_sha256() : EVP_md5();
}

std::string Hex(std::span<const unsigned char> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

DigestContext StartDigest(DigestKind kind) {
    DigestContext context(EVP_MD_CTX_new());
    if (context && EVP_DigestInit_ex(context.get(), Algorithm(kind), nullptr) != 1) context.reset();
    return context;
}

std::string FinishDigest(EVP_MD_CTX* context) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest.data(), &length) != 1) return "";
    return Hex(std::span(digest.data(), length));
}

// Feeds up to `limit` bytes of the stream to every context; the number of bytes read.
uint64_t FeedStream(std::istream& stream, uint64_t limit, std::span<EVP_MD_CTX* const> contexts) {
    std::vector<char> block(1 << 16);
    uint64_t total = 0;
    while (total < limit && stream) {
        const auto wanted = static_cast<std::streamsize>(std::min<uint64_t>(block.size(), limit - total));
        stream.read(block.data(), wanted);
        const std::streamsize got = stream.gcount();
        if (got <= 0) break;
        for (EVP_MD_CTX* context : contexts)
            EVP_DigestUpdate(context, block.data(), static_cast<size_t>(got));
        total += static_cast<uint64_t>(got);
    }
    return total;
}

} // namespace

std::string DigestHex(DigestKind kind, std::span<const uint8_t> bytes) {
    const DigestContext context = StartDigest(kind);
    if (!context || EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1) return "";
    return FinishDigest(context.get());
}

std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    const DigestContext sha256 = StartDigest(DigestKind::Sha256);
    const DigestContext md5 = StartDigest(DigestKind::Md5);
    if (!stream || !sha256 || !md5) return std::nullopt;
    const std::array<EVP_MD_CTX*, 2> contexts{sha256.get(), md5.get()};
    FileIdentity identity;
    identity.size = FeedStream(stream, UINT64_MAX, contexts);
    if (stream.bad()) return std::nullopt;
    identity.sha256 = FinishDigest(sha256.get());
    identity.md5 = FinishDigest(md5.get());
    return identity;
}

std::optional<std::string> ImageDataSha256(const std::filesystem::path& path, int64_t offset, int64_t size) {
    std::error_code error;
    const uintmax_t fileSize = std::filesystem::file_size(path, error);
    if (error || offset < 0 || size <= 0 || static_cast<uintmax_t>(offset) > fileSize ||
        static_cast<uintmax_t>(size) > fileSize - static_cast<uintmax_t>(offset))
        return std::nullopt;
    std::ifstream stream(path, std::ios::binary);
    const DigestContext sha256 = StartDigest(DigestKind::Sha256);
    if (!stream || !sha256 || !stream.seekg(offset)) return std::nullopt;
    const std::array<EVP_MD_CTX*, 1> contexts{sha256.get()};
    if (FeedStream(stream, static_cast<uint64_t>(size), contexts) != static_cast<uint64_t>(size))
        return std::nullopt;
    return FinishDigest(sha256.get());
}

} // namespace pellvane::report
