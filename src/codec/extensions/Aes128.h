#pragma once
// Deciphering one AES-128 block (FIPS-197), all the legacy editor block needs. A general
// cryptographic library would cost every run its loading and start-up for one block per file.

#include <array>
#include <cstdint>
#include <span>

namespace pellvane {

using AesBlock = std::array<uint8_t, 16>;

// The plaintext of one block enciphered with AES-128 under `key` (electronic code book, no
// padding).
AesBlock DecipherAes128Block(const AesBlock& key, std::span<const uint8_t, 16> cipherText);

} // namespace pellvane
