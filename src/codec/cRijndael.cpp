#include "codec/cRijndael.h"

#include <algorithm>

namespace pellvane {
namespace {

using Block = cRijndael::Block;

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    while (b != 0) {
        if (b & 1) product ^= a;
        a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
        b >>= 1;
    }
    return product;
}

constexpr uint8_t RotateLeft(uint8_t value, int shift) {
    return static_cast<uint8_t>((value << shift) | (value >> (8 - shift)));
}

// The S-box: the multiplicative inverse followed by the affine transformation (FIPS 197, 5.1.1).
constexpr std::array<uint8_t, 256> MakeSubstitution() {
    std::array<uint8_t, 256> box{};
    for (int value = 0; value < 256; ++value) {
        uint8_t inverse = 0;
        for (int candidate = 1; candidate < 256 && value != 0; ++candidate)
            if (Multiply(static_cast<uint8_t>(value), static_cast<uint8_t>(candidate)) == 1) {
                inverse = static_cast<uint8_t>(candidate);
                break;
            }
        box[static_cast<size_t>(value)] =
            static_cast<uint8_t>(inverse ^ RotateLeft(inverse, 1) ^ RotateLeft(inverse, 2) ^
                                 RotateLeft(inverse, 3) ^ RotateLeft(inverse, 4) ^ 0x63);
    }
    return box;
}

constexpr std::array<uint8_t, 256> MakeInverse(const std::array<uint8_t, 256>& box) {
    std::array<uint8_t, 256> inverse{};
    for (size_t i = 0; i < box.size(); ++i)
        inverse[box[i]] = static_cast<uint8_t>(i);
    return inverse;
}

constexpr std::array<uint8_t, 256> kSubstitution = MakeSubstitution();
constexpr std::array<uint8_t, 256> kInverseSubstitution = MakeInverse(kSubstitution);

// The state is kept in input order: byte 4c + r is row r of column c.
void AddRoundKey(Block& state, const Block& key) {
    for (size_t i = 0; i < state.size(); ++i)
        state[i] ^= key[i];
}

void Substitute(Block& state, const std::array<uint8_t, 256>& box) {
    for (uint8_t& byte : state)
        byte = box[byte];
}

// Row r moves r columns to the left when enciphering, to the right when deciphering.
void ShiftRows(Block& state, bool inverse) {
    const Block before = state;
    for (size_t row = 1; row < 4; ++row)
        for (size_t column = 0; column < 4; ++column) {
            const size_t from = inverse ? (column + 4 - row) % 4 : (column + row) % 4;
            state[4 * column + row] = before[4 * from + row];
        }
}

void MixColumns(Block& state, bool inverse) {
    // The rows of the matrix multiplying each column (FIPS 197, 5.1.3 and 5.3.3).
    const std::array<uint8_t, 4> factors = inverse ? std::array<uint8_t, 4>{0x0E, 0x0B, 0x0D, 0x09}
                                                   : std::array<uint8_t, 4>{0x02, 0x03, 0x01, 0x01};
    for (size_t column = 0; column < 4; ++column) {
        const std::array<uint8_t, 4> in = {state[4 * column], state[4 * column + 1], state[4 * column + 2],
                                           state[4 * column + 3]};
        for (size_t row = 0; row < 4; ++row) {
            uint8_t value = 0;
            for (size_t k = 0; k < 4; ++k)
                value ^= Multiply(factors[(k + 4 - row) % 4], in[k]);
            state[4 * column + row] = value;
        }
    }
}

} // namespace

cRijndael::cRijndael(std::span<const uint8_t, 16> key) {
    std::copy(key.begin(), key.end(), roundKeys_[0].begin());
    uint8_t roundConstant = 0x01;
    for (size_t round = 1; round <= kRounds; ++round) {
        const Block& previous = roundKeys_[round - 1];
        Block& next = roundKeys_[round];
        // The last word of the previous key, rotated, substituted and given the round constant.
        const std::array<uint8_t, 4> word = {
            static_cast<uint8_t>(kSubstitution[previous[13]] ^ roundConstant), kSubstitution[previous[14]],
            kSubstitution[previous[15]], kSubstitution[previous[12]]};
        for (size_t i = 0; i < 4; ++i)
            next[i] = previous[i] ^ word[i];
        for (size_t i = 4; i < 16; ++i)
            next[i] = previous[i] ^ next[i - 4];
        roundConstant = Multiply(roundConstant, 0x02);
    }
}

cRijndael::~cRijndael() {
    for (Block& key : roundKeys_)
        std::fill(key.begin(), key.end(), uint8_t{0});
}

Block cRijndael::EncryptBlock(std::span<const uint8_t, 16> plaintext) const {
    Block state;
    std::copy(plaintext.begin(), plaintext.end(), state.begin());
    AddRoundKey(state, roundKeys_[0]);
    for (size_t round = 1; round <= kRounds; ++round) {
        Substitute(state, kSubstitution);
        ShiftRows(state, false);
        if (round != kRounds) MixColumns(state, false);
        AddRoundKey(state, roundKeys_[round]);
    }
    return state;
}

Block cRijndael::DecryptBlock(std::span<const uint8_t, 16> ciphertext) const {
    Block state;
    std::copy(ciphertext.begin(), ciphertext.end(), state.begin());
    AddRoundKey(state, roundKeys_[kRounds]);
    for (size_t round = kRounds; round >= 1; --round) {
        ShiftRows(state, true);
        Substitute(state, kInverseSubstitution);
        AddRoundKey(state, roundKeys_[round - 1]);
        if (round != 1) MixColumns(state, true);
    }
    return state;
}

} // namespace pellvane
