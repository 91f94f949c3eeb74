#pragma once
// AES-128 enciphering through OpenSSL, to build fixtures the codec's own decipherer must open.

#include <array>
#include <cstdint>
#include <memory>
#include <openssl/evp.h>
#include <vector>

namespace pellvane::test {

inline std::vector<uint8_t> EncipherAes128Block(const std::array<uint8_t, 16>& key,
                                                const std::array<uint8_t, 16>& plaintext) {
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                                  EVP_CIPHER_CTX_free);
    std::vector<uint8_t> sealed(32);
    int written = 0;
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_EncryptUpdate(context.get(), sealed.data(), &written, plaintext.data(), 16) != 1 || written != 16)
        return {};
    sealed.resize(16);
    return sealed;
}

} // namespace pellvane::test
