#include "codec/extensions/LegacyBlock.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <openssl/evp.h>
#include <string>

namespace pellvane {
namespace {

using Block = std::array<uint8_t, 16>;

// The editor's key is not stored as such anywhere in the program: it is derived here
// each time from a small generator, so it never appears as a literal in the binary nor
// in any message or log.
Block EditorKey() {
    Block key{};
    uint32_t state = 0x5045u * 0x4C56u + 0x4E01u;
    for (auto& byte : key) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<uint8_t>(state >> 11);
    }
    return key;
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

// One block through AES-128 without padding; false when the library refuses.
bool TransformBlock(std::span<const uint8_t, 16> in, Block& out, bool encipher) {
    const std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    if (!context) return false;
    Block key = EditorKey();
    const bool ready = EVP_CipherInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr,
                                         encipher ? 1 : 0) == 1 &&
                       EVP_CIPHER_CTX_set_padding(context.get(), 0) == 1;
    std::fill(key.begin(), key.end(), uint8_t{0});
    if (!ready) return false;
    int written = 0;
    return EVP_CipherUpdate(context.get(), out.data(), &written, in.data(), static_cast<int>(in.size())) ==
               1 &&
           written == 16;
}

// The integer part of the number a text begins with ("280", "95.5 beta"); 0 when it
// begins with none. Bounded to the 16-bit range the version is kept in.
int16_t LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    double value = 0;
    bool any = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        any = true;
    }
    if (!any) return 0;
    return static_cast<int16_t>(std::min(value, 32767.0));
}

} // namespace

int16_t CheckLegacyBlock(std::span<const uint8_t> block) {
    if (block.size() != 16) return 0;
    Block plain{};
    if (!TransformBlock(block.first<16>(), plain, false)) return 0;
    std::string text;
    for (uint8_t b : plain) {
        if (b == 0) break;
        text.push_back(static_cast<char>(b));
    }
    if (text.size() < 5) return 0;
    std::string marker = text.substr(0, 5);
    std::transform(marker.begin(), marker.end(), marker.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (marker != "pelvn") return 0;
    return LeadingNumber(text.substr(5));
}

std::array<uint8_t, 16> EncipherLegacyBlock(std::span<const uint8_t, 16> plaintext) {
    Block sealed{};
    TransformBlock(plaintext, sealed, true);
    return sealed;
}

} // namespace pellvane
