#pragma once
// AES-128 (FIPS 197) on single 16-byte blocks, which is all the program needs of it: the
// block that early versions of the maker's metadata editor left in the files they saved.

#include <array>
#include <cstdint>
#include <span>

namespace pellvane {

class cRijndael {
  public:
    using Block = std::array<uint8_t, 16>;

    explicit cRijndael(std::span<const uint8_t, 16> key);
    // The round keys are wiped, so the key does not outlive its use in memory.
    ~cRijndael();
    cRijndael(const cRijndael&) = delete;
    cRijndael& operator=(const cRijndael&) = delete;

    Block EncryptBlock(std::span<const uint8_t, 16> plaintext) const;
    Block DecryptBlock(std::span<const uint8_t, 16> ciphertext) const;

  private:
    static constexpr size_t kRounds = 10;
    std::array<Block, kRounds + 1> roundKeys_{};
};

} // namespace pellvane
