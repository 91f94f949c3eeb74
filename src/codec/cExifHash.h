#pragma once
// A dictionary from 32-bit keys to 32-bit values with open addressing at a few fixed
// probe positions, short windows around them, and an overflow list as the last resort.
// The codec uses it to find a tag entry from (directory, tag number) in constant time.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellvane {

class cExifHash {
  public:
    cExifHash() { Clear(); }

    bool Add(int32_t value, int32_t key);
    int32_t Item(int32_t key) const; // -1 when absent
    bool SetValue(int32_t key, int32_t value);
    bool Remove(int32_t key);
    bool IsKeyExist(int32_t key) const { return Locate(key) != 0; }
    // Values (or keys): table slots in slot order, then the overflow list.
    int32_t GetDataArray(std::vector<int32_t>& out) const;
    int32_t GetKeyArray(std::vector<int32_t>& out) const;
    void Clear();
    void AlloMem(int32_t capacity);
    int32_t count() const { return tableCount_ + static_cast<int32_t>(overflow_.size()); }
    int32_t Capacity() const { return static_cast<int32_t>(slots_.size()); }

  private:
    struct Slot {
        int32_t key = 0;
        int32_t value = 0;
        bool used = false;
    };

    // Positive: 1-based table slot; negative: -(1-based overflow index); 0: absent.
    int32_t Locate(int32_t key) const;
    bool PlaceAtFixedPositions(const Slot& entry);
    bool PlaceInWindows(const Slot& entry);
    void Place(const Slot& entry);
    void Grow();
    void Rebuild(int32_t capacity);
    Slot& SlotAt(int32_t position) { return slots_[static_cast<size_t>(position - 1)]; }
    const Slot& SlotAt(int32_t position) const { return slots_[static_cast<size_t>(position - 1)]; }
    template <typename F> bool VisitProbes(int32_t key, F&& visit) const;

    std::vector<Slot> slots_;
    std::vector<Slot> overflow_;
    int32_t tableCount_ = 0;
};

} // namespace pellvane
