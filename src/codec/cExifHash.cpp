#include "codec/cExifHash.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pellvane {
namespace {

constexpr int32_t kInitialCapacity = 35;
constexpr int32_t kMaxEntries = 0xCCCCCCC;
constexpr int32_t kWindow = 5;

struct Probes {
    int32_t p1, p2, p3, p4;
};

Probes FixedProbes(int32_t key, int32_t capacity) {
    const int64_t k = std::llabs(static_cast<int64_t>(key));
    const int64_t c = capacity;
    Probes p{};
    p.p1 = static_cast<int32_t>(k % c + 1);
    if (k <= 46340)
        p.p2 = static_cast<int32_t>((k * k) % c + 1);
    else
        p.p2 = static_cast<int32_t>(
            static_cast<int64_t>(std::nearbyint(std::sqrt(static_cast<double>(k)))) % c + 1);
    p.p3 = capacity - p.p1 + 1;
    p.p4 = capacity - p.p2 + 1;
    return p;
}

} // namespace

// Calls visit(position) for the fixed positions and then both windows, stopping when it
// returns true. Returns whether it stopped.
template <typename F> bool cExifHash::VisitProbes(int32_t key, F&& visit) const {
    const int32_t c = Capacity();
    const Probes p = FixedProbes(key, c);
    for (int32_t pos : {p.p1, p.p2, p.p3, p.p4})
        if (visit(pos)) return true;
    for (int32_t centre : {p.p1, p.p2})
        for (int32_t pos = std::max(1, centre - kWindow); pos <= std::min(c, centre + kWindow); ++pos)
            if (visit(pos)) return true;
    return false;
}

int32_t cExifHash::Locate(int32_t key) const {
    int32_t found = 0;
    VisitProbes(key, [&](int32_t pos) {
        const Slot& s = SlotAt(pos);
        if (s.used && s.key == key) found = pos;
        return found != 0;
    });
    if (found != 0) return found;
    for (size_t i = 0; i < overflow_.size(); ++i)
        if (overflow_[i].key == key) return -static_cast<int32_t>(i + 1);
    return 0;
}

bool cExifHash::PlaceAtFixedPositions(const Slot& entry) {
    const Probes p = FixedProbes(entry.key, Capacity());
    for (int32_t pos : {p.p1, p.p2, p.p3, p.p4}) {
        Slot& s = SlotAt(pos);
        if (!s.used) {
            s = entry;
            s.used = true;
            ++tableCount_;
            return true;
        }
    }
    return false;
}

bool cExifHash::PlaceInWindows(const Slot& entry) {
    int32_t freePos = 0;
    VisitProbes(entry.key, [&](int32_t pos) {
        if (!SlotAt(pos).used) freePos = pos;
        return freePos != 0;
    });
    if (freePos == 0) return false;
    Slot& s = SlotAt(freePos);
    s = entry;
    s.used = true;
    ++tableCount_;
    return true;
}

void cExifHash::Place(const Slot& entry) {
    if (PlaceAtFixedPositions(entry) || PlaceInWindows(entry)) return;
    overflow_.push_back(entry);
}

bool cExifHash::Add(int32_t value, int32_t key) {
    if (Locate(key) != 0 || count() >= kMaxEntries) return false;
    const Slot entry{key, value, true};
    if (PlaceAtFixedPositions(entry)) return true;
    if (count() > 0.75 * Capacity()) {
        Grow();
        Place(entry);
        return true;
    }
    if (PlaceInWindows(entry)) return true;
    overflow_.push_back(entry);
    return true;
}

int32_t cExifHash::Item(int32_t key) const {
    const int32_t pos = Locate(key);
    if (pos > 0) return SlotAt(pos).value;
    if (pos < 0) return overflow_[static_cast<size_t>(-pos - 1)].value;
    return -1;
}

bool cExifHash::SetValue(int32_t key, int32_t value) {
    const int32_t pos = Locate(key);
    if (pos > 0) SlotAt(pos).value = value;
    if (pos < 0) overflow_[static_cast<size_t>(-pos - 1)].value = value;
    return pos != 0;
}

bool cExifHash::Remove(int32_t key) {
    const int32_t pos = Locate(key);
    if (pos > 0) {
        SlotAt(pos) = Slot{};
        --tableCount_;
    } else if (pos < 0) {
        overflow_.erase(overflow_.begin() + (-pos - 1));
    }
    return pos != 0;
}

int32_t cExifHash::GetDataArray(std::vector<int32_t>& out) const {
    out.clear();
    for (const Slot& s : slots_)
        if (s.used) out.push_back(s.value);
    for (const Slot& s : overflow_)
        out.push_back(s.value);
    return static_cast<int32_t>(out.size());
}

int32_t cExifHash::GetKeyArray(std::vector<int32_t>& out) const {
    out.clear();
    for (const Slot& s : slots_)
        if (s.used) out.push_back(s.key);
    for (const Slot& s : overflow_)
        out.push_back(s.key);
    return static_cast<int32_t>(out.size());
}

void cExifHash::Clear() {
    slots_.assign(kInitialCapacity, Slot{});
    overflow_.clear();
    tableCount_ = 0;
}

void cExifHash::AlloMem(int32_t capacity) {
    if (capacity > tableCount_ && capacity < 214748365) Rebuild(capacity);
}

void cExifHash::Grow() {
    const int64_t n = std::max<int64_t>(Capacity(), count());
    int64_t next;
    if (n < 10000)
        next = 2 * n;
    else if (n < 10000000)
        next = static_cast<int64_t>(std::nearbyint(1.5 * static_cast<double>(n))); // halves to even
    else
        next = n + 1000000;
    Rebuild(static_cast<int32_t>(next));
}

void cExifHash::Rebuild(int32_t capacity) {
    std::vector<Slot> entries;
    entries.reserve(static_cast<size_t>(count()));
    for (const Slot& s : slots_)
        if (s.used) entries.push_back(s);
    entries.insert(entries.end(), overflow_.begin(), overflow_.end());
    slots_.assign(static_cast<size_t>(capacity), Slot{});
    overflow_.clear();
    tableCount_ = 0;
    for (const Slot& s : entries)
        Place(s);
}

} // namespace pellvane
