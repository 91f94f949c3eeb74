#include "codec/TagStore.h"

namespace pellvane {

void cTagStore::Clear() {
    entries_.clear();
    dictionary_.Clear();
    counts_.fill(0);
}

int32_t cTagStore::Append(TagEntry entry) {
    const auto index = static_cast<int32_t>(entries_.size());
    dictionary_.Add(index, Key(entry.ifd, entry.tagNoID));
    entries_.push_back(std::move(entry));
    return index;
}

void cTagStore::Rebind(int32_t ifd, uint32_t tagNoID, int32_t index) {
    if (!dictionary_.SetValue(Key(ifd, tagNoID), index)) dictionary_.Add(index, Key(ifd, tagNoID));
}

void cTagStore::AddToCount(int32_t ifd, int32_t n) {
    if (ifd >= 1 && ifd <= 6) counts_[static_cast<size_t>(ifd)] += n;
    counts_[0] += n;
}

int32_t cTagStore::Find(uint32_t tagNo, int32_t ifd) const {
    if (ifd >= 1 && ifd <= 6) return dictionary_.Item(Key(ifd, tagNo));
    for (int32_t d = 1; d <= 6; ++d)
        if (const int32_t i = dictionary_.Item(Key(d, tagNo)); i >= 0) return i;
    return -1;
}

int32_t cTagStore::Count(int32_t ifd) const {
    if (ifd == 0) return static_cast<int32_t>(entries_.size());
    if (ifd >= 1 && ifd <= 6) return counts_[static_cast<size_t>(ifd)];
    return 0;
}

const TagEntry& cTagStore::Entry(int32_t i) const {
    static const TagEntry kEmpty;
    if (i < 0 || i >= Size()) return kEmpty;
    return entries_[static_cast<size_t>(i)];
}

TagEntry* cTagStore::MutableEntry(int32_t i) {
    if (i < 0 || i >= Size()) return nullptr;
    return &entries_[static_cast<size_t>(i)];
}

} // namespace pellvane
