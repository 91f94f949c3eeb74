// The codec's AES-128 decipherer against the standard's example and against OpenSSL.

#include "codec/extensions/Aes128.h"
#include "support/Aes.h"

#include <gtest/gtest.h>

#include <random>

namespace pellvane {
namespace {

AesBlock FromHex(const char* hex) {
    AesBlock block{};
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(std::stoi(std::string(hex + 2 * i, 2), nullptr, 16));
    return block;
}

// FIPS-197, appendix C.1.
TEST(Aes128Test, DeciphersTheStandardsExample) {
    const AesBlock key = FromHex("000102030405060708090a0b0c0d0e0f");
    const AesBlock cipherText = FromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
    EXPECT_EQ(DecipherAes128Block(key, cipherText), FromHex("00112233445566778899aabbccddeeff"));
}

TEST(Aes128Test, UndoesWhatOpenSslEnciphersUnderAnyKey) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        AesBlock key{}, plain{};
        for (uint8_t& byte : key)
            byte = static_cast<uint8_t>(random());
        for (uint8_t& byte : plain)
            byte = static_cast<uint8_t>(random());
        const std::vector<uint8_t> sealed = test::EncipherAes128Block(key, plain);
        ASSERT_EQ(sealed.size(), 16u);
        AesBlock cipherText{};
        std::copy(sealed.begin(), sealed.end(), cipherText.begin());
        EXPECT_EQ(DecipherAes128Block(key, cipherText), plain) << "round " << round;
    }
}

} // namespace
} // namespace pellvane
