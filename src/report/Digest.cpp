#include "report/Digest.h"

#include <array>
#include <fstream>
#include <memory>
#include <vector>

#include <dlfcn.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>

namespace pellvane::report {
namespace {

// libcrypto is loaded at the first digest rather than when the program starts: most runs write
// no report, and loading and relocating the library costs every run about 4 ms, a tenth of the
// analysis of a camera picture. The library is the one the headers belong to.
#define PELLVANE_STRINGIFY(x) #x
#define PELLVANE_SONAME(version) "libcrypto.so." PELLVANE_STRINGIFY(version)
constexpr const char* kCryptoLibrary = PELLVANE_SONAME(OPENSSL_SHLIB_VERSION);

struct CryptoFunctions {
    decltype(&EVP_MD_CTX_new) newContext = nullptr;
    decltype(&EVP_MD_CTX_free) freeContext = nullptr;
    decltype(&EVP_DigestInit_ex) init = nullptr;
    decltype(&EVP_DigestUpdate) update = nullptr;
    decltype(&EVP_DigestFinal_ex) final = nullptr;
    decltype(&EVP_sha256) sha256 = nullptr;
    decltype(&EVP_md5) md5 = nullptr;

    bool Complete() const { return newContext && freeContext && init && update && final && sha256 && md5; }
};

template <typename Function> void Resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
}

// The library's functions, loaded once (the handle stays open for the life of the process);
// nothing when it cannot be loaded.
const CryptoFunctions* Crypto() {
    static const std::optional<CryptoFunctions> functions = []() -> std::optional<CryptoFunctions> {
        void* library = ::dlopen(kCryptoLibrary, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return std::nullopt;
        CryptoFunctions loaded;
        Resolve(library, "EVP_MD_CTX_new", loaded.newContext);
        Resolve(library, "EVP_MD_CTX_free", loaded.freeContext);
        Resolve(library, "EVP_DigestInit_ex", loaded.init);
        Resolve(library, "EVP_DigestUpdate", loaded.update);
        Resolve(library, "EVP_DigestFinal_ex", loaded.final);
        Resolve(library, "EVP_sha256", loaded.sha256);
        Resolve(library, "EVP_md5", loaded.md5);
        if (!loaded.Complete()) return std::nullopt;
        return loaded;
    }();
    return functions ? &*functions : nullptr;
}

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { Crypto()->freeContext(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

std::string Hex(std::span<const unsigned char> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

// A context ready for the digest; empty when the library is missing or refuses.
DigestContext StartDigest(DigestKind kind) {
    const CryptoFunctions* crypto = Crypto();
    if (crypto == nullptr) return nullptr;
    DigestContext context(crypto->newContext());
    const EVP_MD* algorithm = kind == DigestKind::Sha256 ? crypto->sha256() : crypto->md5();
    if (context && crypto->init(context.get(), algorithm, nullptr) != 1) context.reset();
    return context;
}

std::string FinishDigest(EVP_MD_CTX* context) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (Crypto()->final(context, digest.data(), &length) != 1) return "";
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
            Crypto()->update(context, block.data(), static_cast<size_t>(got));
        total += static_cast<uint64_t>(got);
    }
    return total;
}

} // namespace

std::string DigestHex(DigestKind kind, std::span<const uint8_t> bytes) {
    const DigestContext context = StartDigest(kind);
    if (!context || Crypto()->update(context.get(), bytes.data(), bytes.size()) != 1) return "";
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
