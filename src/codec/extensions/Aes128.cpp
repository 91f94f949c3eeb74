#include "codec/extensions/Aes128.h"

#include <algorithm>

namespace pellvane {
namespace {

constexpr int kRounds = 10;
using ByteTable = std::array<uint8_t, 256>;

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr uint8_t Times(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    for (; b != 0; b >>= 1) {
        if (b & 1) product ^= a;
        a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
    }
    return product;
}

// The S-box from its definition: the multiplicative inverse followed by the affine map. The
// inverses come from the powers of the generator 3: the inverse of 3^k is 3^(255 - k).
constexpr ByteTable MakeSubstitution() {
    ByteTable power{}, logarithm{};
    uint8_t value = 1;
    for (int k = 0; k < 255; ++k) {
        power[static_cast<size_t>(k)] = value;
        logarithm[value] = static_cast<uint8_t>(k);
        value = Times(value, 3);
    }
    ByteTable box{};
    for (int byte = 0; byte < 256; ++byte) {
        const uint8_t inverse =
            byte == 0 ? 0 : power[static_cast<size_t>((255 - logarithm[static_cast<size_t>(byte)]) % 255)];
        uint8_t out = 0x63;
        for (int shift = 0; shift < 5; ++shift)
            out ^= static_cast<uint8_t>((inverse << shift) | (inverse >> (8 - shift)));
        box[static_cast<size_t>(byte)] = out;
    }
    return box;
}

constexpr ByteTable Invert(const ByteTable& table) {
    ByteTable inverse{};
    for (int value = 0; value < 256; ++value)
        inverse[table[static_cast<size_t>(value)]] = static_cast<uint8_t>(value);
    return inverse;
}

constexpr ByteTable kSubstitution = MakeSubstitution();
constexpr ByteTable kInverseSubstitution = Invert(kSubstitution);
static_assert(kSubstitution[0x00] == 0x63 && kSubstitution[0x53] == 0xED);

using RoundKeys = std::array<AesBlock, kRounds + 1>;

RoundKeys ExpandKey(const AesBlock& key) {
    RoundKeys keys{};
    keys[0] = key;
    uint8_t constant = 1;
    for (int round = 1; round <= kRounds; ++round) {
        const AesBlock& previous = keys[static_cast<size_t>(round - 1)];
        AesBlock& next = keys[static_cast<size_t>(round)];
        // The last word turned, substituted and mixed with the round constant.
        const uint8_t word[4] = {static_cast<uint8_t>(kSubstitution[previous[13]] ^ constant),
                                 kSubstitution[previous[14]], kSubstitution[previous[15]],
                                 kSubstitution[previous[12]]};
        for (size_t i = 0; i < 16; ++i)
            next[i] = static_cast<uint8_t>(previous[i] ^ (i < 4 ? word[i] : next[i - 4]));
        constant = Times(constant, 2);
    }
    return keys;
}

void AddRoundKey(AesBlock& state, const AesBlock& key) {
    for (size_t i = 0; i < 16; ++i)
        state[i] ^= key[i];
}

// Inverse ShiftRows and SubBytes together; the state is column by column.
void InverseShiftAndSubstitute(AesBlock& state) {
    const AesBlock before = state;
    for (size_t column = 0; column < 4; ++column)
        for (size_t row = 0; row < 4; ++row)
            state[column * 4 + row] = kInverseSubstitution[before[((column + 4 - row) % 4) * 4 + row]];
}

void InverseMixColumns(AesBlock& state) {
    for (size_t column = 0; column < 4; ++column) {
        uint8_t* c = state.data() + column * 4;
        const uint8_t a0 = c[0], a1 = c[1], a2 = c[2], a3 = c[3];
        c[0] = Times(a0, 14) ^ Times(a1, 11) ^ Times(a2, 13) ^ Times(a3, 9);
        c[1] = Times(a0, 9) ^ Times(a1, 14) ^ Times(a2, 11) ^ Times(a3, 13);
        c[2] = Times(a0, 13) ^ Times(a1, 9) ^ Times(a2, 14) ^ Times(a3, 11);
        c[3] = Times(a0, 11) ^ Times(a1, 13) ^ Times(a2, 9) ^ Times(a3, 14);
    }
}

} // namespace

AesBlock DecipherAes128Block(const AesBlock& key, std::span<const uint8_t, 16> cipherText) {
    RoundKeys keys = ExpandKey(key);
    AesBlock state{};
    std::copy(cipherText.begin(), cipherText.end(), state.begin());
    AddRoundKey(state, keys[kRounds]);
    for (int round = kRounds - 1; round >= 1; --round) {
        InverseShiftAndSubstitute(state);
        AddRoundKey(state, keys[static_cast<size_t>(round)]);
        InverseMixColumns(state);
    }
    InverseShiftAndSubstitute(state);
    AddRoundKey(state, keys[0]);
    // The expanded key is as secret as the key itself.
    for (AesBlock& roundKey : keys)
        std::fill(roundKey.begin(), roundKey.end(), uint8_t{0});
    return state;
}

} // namespace pellvane
