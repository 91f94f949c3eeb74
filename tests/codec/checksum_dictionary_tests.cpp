#include "codec/cExifHash.h"
#include "codec/mCRC32.h"

#include <gtest/gtest.h>
#include <string_view>
#include <vector>

namespace pellvane {
namespace {

std::vector<uint8_t> BytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(Crc32Text, MatchesTheStandardCheckValues) {
    EXPECT_EQ(Crc32Text(BytesOf("123456789")), "CBF43926");
    EXPECT_EQ(Crc32Text({}), "00000000");
    EXPECT_EQ(Crc32Text(std::vector<uint8_t>(128, 0)), "C2A8FA9D");
}

TEST(Crc32Text, KeepsLeadingZeros) {
    // Find a short input whose CRC is below 0x10000000 and check it still has 8 digits.
    for (uint32_t i = 0;; ++i) {
        const std::vector<uint8_t> bytes = {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)};
        if (Crc32(bytes) < 0x10000000) {
            const std::string text = Crc32Text(bytes);
            EXPECT_EQ(text.size(), 8u);
            EXPECT_EQ(text[0], '0');
            return;
        }
    }
}

TEST(ExifHash, AddingAnExistingKeyKeepsTheFirstValue) {
    cExifHash hash;
    EXPECT_TRUE(hash.Add(10, 7));
    EXPECT_FALSE(hash.Add(20, 7));
    EXPECT_EQ(hash.Item(7), 10);
    EXPECT_EQ(hash.count(), 1);
}

TEST(ExifHash, SetValueOfAMissingKeyAddsNothing) {
    cExifHash hash;
    EXPECT_FALSE(hash.SetValue(5, 1));
    EXPECT_FALSE(hash.IsKeyExist(5));
    EXPECT_EQ(hash.Item(5), -1);
    EXPECT_EQ(hash.count(), 0);
}

TEST(ExifHash, TellsNegativeKeysFromPositiveOnes) {
    cExifHash hash;
    ASSERT_TRUE(hash.Add(1, 12345));
    ASSERT_TRUE(hash.Add(2, -12345));
    EXPECT_EQ(hash.Item(12345), 1);
    EXPECT_EQ(hash.Item(-12345), 2);
    EXPECT_TRUE(hash.Remove(12345));
    EXPECT_EQ(hash.Item(12345), -1);
    EXPECT_EQ(hash.Item(-12345), 2);
}

TEST(ExifHash, GrowsToSeventyWhenMoreThanThreeQuartersFullAndTheFixedPositionsAreTaken) {
    cExifHash hash;
    // Keys 2, 37, 72 and 107 share their four fixed positions (3, 5, 33 and 31), so they
    // take all of them; 142 then finds none free.
    for (int32_t key : {2, 37, 72, 107})
        ASSERT_TRUE(hash.Add(key, key));
    for (int32_t key = 1000; key < 1023; ++key)
        ASSERT_TRUE(hash.Add(key, key));
    ASSERT_EQ(hash.count(), 27);
    EXPECT_EQ(hash.Capacity(), 35);
    ASSERT_TRUE(hash.Add(142, 142));
    EXPECT_EQ(hash.Capacity(), 70);
    for (int32_t key : {2, 37, 72, 107, 142, 1000, 1022})
        EXPECT_EQ(hash.Item(key), key);
}

TEST(ExifHash, FindsEveryKeyAfterManyInsertionsAndRemovals) {
    cExifHash hash;
    std::vector<int32_t> keys;
    for (int32_t i = 0; i < 5000; ++i)
        keys.push_back(static_cast<int32_t>((i * 2654435761u) ^ (i << 16)));
    for (size_t i = 0; i < keys.size(); ++i)
        hash.Add(static_cast<int32_t>(i), keys[i]);
    for (size_t i = 0; i < keys.size(); i += 2)
        EXPECT_TRUE(hash.Remove(keys[i]));
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(hash.Item(keys[i]), i % 2 ? static_cast<int32_t>(i) : -1);
    EXPECT_EQ(hash.count(), 2500);
    std::vector<int32_t> values;
    EXPECT_EQ(hash.GetDataArray(values), 2500);
}

TEST(ExifHash, ClearResetsTheCapacity) {
    cExifHash hash;
    for (int32_t k = 0; k < 200; ++k)
        hash.Add(k, k);
    EXPECT_GT(hash.Capacity(), 35);
    hash.Clear();
    EXPECT_EQ(hash.Capacity(), 35);
    EXPECT_EQ(hash.count(), 0);
}

} // namespace
} // namespace pellvane
