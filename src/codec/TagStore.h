#pragma once
// The flat list of every directory entry read from the TIFF/EXIF structure, with the
// dictionary that finds an entry from (directory, tag number) and the per-directory counts.

#include "codec/ExifTags.h"
#include "codec/ExifValue.h"
#include "codec/cExifHash.h"

#include <array>
#include <cstdint>
#include <vector>

namespace pellvane {

struct TagEntry {
    int32_t ifd = 0;
    uint32_t tagNoID = 0; // low half: tag number; high half: MakerNote parent tag
    int32_t format = 0;
    int32_t components = 0;
    int32_t entryPosition = 0; // absolute file offset of the 12-byte entry
    int32_t valueOffset = 0;   // raw offset field when the value is longer than 4 bytes
    ExifValue value;
    int32_t operation = 0; // 0 unchanged, 1 edited, 2 added, 3 deleted
    bool locked = false;
};

class cTagStore {
  public:
    void Clear();

    // Appends an entry and registers its key; a key already present keeps its first entry.
    int32_t Append(TagEntry entry);
    // Points the key of (ifd, tagNoID) at a later entry (used for the MakerNote tag).
    void Rebind(int32_t ifd, uint32_t tagNoID, int32_t index);
    void AddToCount(int32_t ifd, int32_t n);

    int32_t Find(uint32_t tagNo, int32_t ifd) const;
    int32_t Count(int32_t ifd) const;
    int32_t Size() const { return static_cast<int32_t>(entries_.size()); }

    // Out-of-range indexes give an empty entry.
    const TagEntry& Entry(int32_t i) const;
    TagEntry* MutableEntry(int32_t i);

    static int32_t Key(int32_t ifd, uint32_t tagNoID) {
        return static_cast<int32_t>(static_cast<uint32_t>(ifd) << 16 | tagNoID);
    }

  private:
    std::vector<TagEntry> entries_;
    cExifHash dictionary_;
    std::array<int32_t, 7> counts_{};
};

} // namespace pellvane
