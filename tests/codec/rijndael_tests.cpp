// AES-128 on single blocks against the examples of FIPS 197.

#include "codec/cRijndael.h"

#include <gtest/gtest.h>
#include <string>

namespace pellvane {
namespace {

cRijndael::Block FromHex(const std::string& hex) {
    cRijndael::Block block{};
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return block;
}

TEST(Rijndael, EnciphersAndDeciphersTheStandardsExamples) {
    struct Case {
        const char* key;
        const char* plaintext;
        const char* ciphertext;
    };
    const Case cases[] = {
        // Appendix B, the cipher example, and Appendix C.1, the AES-128 example.
        {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
         "3925841d02dc09fbdc118597196a0b32"},
        {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
         "69c4e0d86a7b0430d8cdb78070b4c55a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const cRijndael cipher(FromHex(c.key));
        EXPECT_EQ(cipher.EncryptBlock(FromHex(c.plaintext)), FromHex(c.ciphertext));
        EXPECT_EQ(cipher.DecryptBlock(FromHex(c.ciphertext)), FromHex(c.plaintext));
    }
}

} // namespace
} // namespace pellvane
