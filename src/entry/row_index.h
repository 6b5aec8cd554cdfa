// Which row holds a description: the table's index of its rows, and of the rows one change
// stages. Open addressing over views of the rows' own strings (which stay put while their rows
// are in use), so that adding a description allocates nothing once there is room, and the few
// rows a change stages fit in the index itself.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "core/text.h"
#include "core/text_scan.h"

class RowIndex {
public:
    RowIndex() noexcept = default;
    RowIndex(RowIndex&& other) noexcept { TakeFrom(other); }
    RowIndex& operator=(RowIndex&& other) noexcept {
        if (this != &other) TakeFrom(other);
        return *this;
    }
    RowIndex(const RowIndex&) = delete;
    RowIndex& operator=(const RowIndex&) = delete;

    // The hash that Find and Insert may be given, for a key looked up in more than one index.
    // A word at a time (eight bytes, four in 32-bit builds), each mixed in by a multiplication,
    // the low bits (which place a key) mixed from the high ones at the end: several times
    // quicker than the library's hash of a text, and as good for the descriptions of one table.
    static size_t Hash(TextView key) {
        constexpr bool kWide = sizeof(size_t) == 8;
        constexpr size_t kMultiplier = kWide ? static_cast<size_t>(0x9E3779B97F4A7C15u) : size_t{0x9E3779B1u};
        constexpr int kShift = kWide ? 29 : 15;
        const char* bytes = reinterpret_cast<const char*>(key.data());
        size_t left = key.size() * sizeof(char16_t);
        size_t h = left * kMultiplier;
        // Two words at a time into two chains, whose multiplications overlap, then one.
        if (left >= 2 * sizeof(size_t)) {
            size_t g = ~h;
            for (; left >= 2 * sizeof(size_t); bytes += 2 * sizeof(size_t), left -= 2 * sizeof(size_t)) {
                size_t first, second;
                std::memcpy(&first, bytes, sizeof first);
                std::memcpy(&second, bytes + sizeof(size_t), sizeof second);
                h = (h ^ first) * kMultiplier;
                g = (g ^ second) * kMultiplier;
                h ^= h >> kShift;
                g ^= g >> kShift;
            }
            h = (h ^ g) * kMultiplier;
            h ^= h >> kShift;
        }
        for (; left >= sizeof(size_t); bytes += sizeof(size_t), left -= sizeof(size_t)) {
            size_t word;
            std::memcpy(&word, bytes, sizeof word);
            h = (h ^ word) * kMultiplier;
            h ^= h >> kShift;
        }
        if (left > 0) {
            // The last word of a longer key overlaps the one before it; a short key's units are
            // loaded as they fit. (Copying the few bytes into a word through memory stalls the
            // load that follows: a third of a lookup's time.)
            size_t word = 0;
            if (key.size() * sizeof(char16_t) >= sizeof(size_t)) {
                std::memcpy(&word, bytes + left - sizeof(size_t), sizeof word);
            } else {
                if (left & 4) {
                    uint32_t four;
                    std::memcpy(&four, bytes, 4);
                    word = four;
                }
                if (left & 2) {
                    uint16_t two;
                    std::memcpy(&two, bytes + (left & 4), 2);
                    word |= static_cast<size_t>(two) << ((left & 4) * 8);
                }
            }
            h = (h ^ word) * kMultiplier;
        }
        h ^= h >> (sizeof(size_t) * 4);
        h *= kMultiplier;
        h ^= h >> kShift;
        return h;
    }

    size_t Size() const { return size_; }
    // A lookup in two steps ahead of Find with the same hash, each some work before the next,
    // so that Find meets its slot and its key in the cache: PrefetchSlot brings the slot where
    // the search starts near; PrefetchKey, once it is, the key of the first slot that may hold
    // the key sought, and answers that slot's row (-1 for none).
    void PrefetchSlot(size_t hash) const { __builtin_prefetch(&Slots()[hash & mask_]); }
    int16_t PrefetchKey(size_t hash) const {
        const Slot* const slot = Probe(hash, [](const Slot&) { return true; });
        if (!slot) return -1;
        __builtin_prefetch(slot->data);
        return slot->row;
    }
    std::optional<int16_t> Find(TextView key) const { return Find(key, Hash(key)); }
    std::optional<int16_t> Find(TextView key, size_t hash) const {
        const Slot* const slot = Probe(hash, [key](const Slot& s) { return s.Holds(key); });
        if (!slot) return std::nullopt;
        return slot->row;
    }
    // Adds the key's row, unless the key is held (it keeps its row): false then. May grow, and
    // throw: then nothing changes.
    bool Insert(TextView key, int16_t row) { return Insert(key, Hash(key), row); }
    bool Insert(TextView key, size_t hash, int16_t row) {
        if (Find(key, hash)) return false;
        Reserve(size_ + 1);
        Place(Slot{key.data(), static_cast<uint32_t>(key.size()), static_cast<uint32_t>(hash), row});
        ++size_;
        return true;
    }
    // Room for `count` keys in all: until then, Insert and Merge allocate nothing.
    void Reserve(size_t count) {
        if (count <= Capacity() / 2) return;
        size_t capacity = Capacity();
        while (count > capacity / 2) capacity *= 2;
        std::unique_ptr<Slot[]> slots = std::make_unique<Slot[]>(capacity);
        Slot* const old = Slots();
        const size_t oldCapacity = Capacity();
        heap_.swap(slots);
        mask_ = capacity - 1;
        for (size_t i = 0; i < oldCapacity; ++i)
            if (old[i].row >= 0) Place(old[i]);
        // `slots` now holds the old heap slots (or none), freed here.
    }
    // Every key of `other` that this index lacks, with its row; `other` is left empty (a key
    // both hold keeps this index's row). Needs room (Reserve): it cannot fail.
    void Merge(RowIndex& other) noexcept {
        const Slot* const from = other.Slots();
        for (size_t i = 0; i <= other.mask_; ++i) {
            if (from[i].row < 0 || Find(from[i].Key(), from[i].hash)) continue;
            Place(from[i]);
            ++size_;
        }
        other.Clear();
    }
    void Clear() noexcept {
        if (size_ == 0) return;
        Slot* const slots = Slots();
        for (size_t i = 0; i < Capacity(); ++i) slots[i].row = -1;
        size_ = 0;
    }
    template <class F>
    void ForEach(F&& f) const {
        const Slot* const slots = Slots();
        for (size_t i = 0; i < Capacity(); ++i)
            if (slots[i].row >= 0) f(slots[i].Key(), slots[i].row);
    }

private:
    struct Slot {
        const char16_t* data = nullptr;
        uint32_t size = 0;
        uint32_t hash = 0;  // the low bits of the key's hash: a quick test, and its place on growing
        int16_t row = -1;   // -1: free
        TextView Key() const { return TextView(data, size); }
        bool Holds(TextView key) const { return SameUnits(Key(), key); }
    };
    // Enough for the rows a change stages (a description and the levels above it) without an
    // allocation; the table's index grows from there once.
    static constexpr size_t kInline = 8;

    size_t Capacity() const { return mask_ + 1; }
    // The first slot from the hash's place on, up to a free one, whose hash matches and that
    // `holds` accepts; none.
    template <class Holds>
    const Slot* Probe(size_t hash, Holds holds) const {
        const Slot* const slots = Slots();
        for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
            const Slot& slot = slots[i];
            if (slot.row < 0) return nullptr;
            if (slot.hash == static_cast<uint32_t>(hash) && holds(slot)) return &slot;
        }
    }
    Slot* Slots() { return heap_ ? heap_.get() : inline_; }
    const Slot* Slots() const { return heap_ ? heap_.get() : inline_; }
    void Place(const Slot& slot) noexcept {
        Slot* const slots = Slots();
        size_t i = slot.hash & mask_;
        while (slots[i].row >= 0) i = (i + 1) & mask_;
        slots[i] = slot;
    }
    void TakeFrom(RowIndex& other) noexcept {
        heap_ = std::move(other.heap_);
        mask_ = other.mask_;
        size_ = other.size_;
        if (!heap_) std::copy(other.inline_, other.inline_ + kInline, inline_);
        other.mask_ = kInline - 1;
        other.size_ = 0;
        for (Slot& slot : other.inline_) slot.row = -1;
    }

    std::unique_ptr<Slot[]> heap_;  // none while the inline slots serve
    Slot inline_[kInline];
    size_t mask_ = kInline - 1;  // the number of slots less one (a power of two less one)
    size_t size_ = 0;
};
