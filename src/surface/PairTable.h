#pragma once

// Tables keyed by vertex pairs for one triangulation: the pairs its edges join, and
// the rows laid between pairs. Not for use outside surface/.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/PointerMap.h"
#include "surface/RingSplit.h"

namespace ring_split {

// One hash of an ordered pair serves both the filter and the table behind it: the
// filter takes its top bits, the table as many as it has slots.
inline uint64_t PairHash(const VertexPair& pair) {
    const uint64_t x = reinterpret_cast<uintptr_t>(pair.first) >> 4;
    const uint64_t y = reinterpret_cast<uintptr_t>(pair.second) >> 4;
    return ((x * 0x9E3779B97F4A7C15ull) ^ (y * 0xC2B2AE3D27D4EB4Full)) * 0x9E3779B97F4A7C15ull;
}

// A bit for each hash, set for every pair a table holds. A clear bit says, without
// touching the table, that a pair is not there: the tables of a big patch are far
// larger than the cache, and nearly every chord asked about is in neither, so most
// asks end in these 32 KB instead of a cache miss.
class PairFilter {
public:
    void Add(uint64_t hash) { m_words[Bit(hash) >> 6] |= Mask(hash); }
    bool MayHold(uint64_t hash) const { return (m_words[Bit(hash) >> 6] & Mask(hash)) != 0; }

private:
    static constexpr int kLogBits = 18;
    static size_t Bit(uint64_t hash) { return static_cast<size_t>(hash >> (64 - kLogBits)); }
    static uint64_t Mask(uint64_t hash) { return uint64_t{1} << (Bit(hash) & 63); }

    std::vector<uint64_t> m_words = std::vector<uint64_t>(size_t{1} << (kLogBits - 6), 0);
};

// A map from vertex pairs to values, behind a PairFilter: one flat array with linear
// probing, which only grows (see PointerMap.h). Pairs are compared, never followed.
template <typename Value>
class PairTable {
public:
    explicit PairTable(size_t expected = 0) {
        m_slots.assign(pointer_table::Capacity(expected, m_shift), Slot{});
    }

    // The value of `pair`, or null when the table has none.
    const Value* Find(const VertexPair& pair) const {
        const VertexPair key = Key(pair);
        const uint64_t hash = PairHash(key);
        if (!m_filter.MayHold(hash)) return nullptr;
        const Slot& slot = m_slots[Probe(key, hash)];
        return slot.key.first == nullptr ? nullptr : &slot.value;
    }
    bool Contains(const VertexPair& pair) const { return Find(pair) != nullptr; }

    // Puts `pair` in, with its default value when it is new.
    void Insert(const VertexPair& pair) { At(pair); }

    // The value of `pair`, made with its default when the table has none.
    Value& At(const VertexPair& pair) {
        const VertexPair key = Key(pair);
        const uint64_t hash = PairHash(key);
        m_filter.Add(hash);
        size_t i = Probe(key, hash);
        if (m_slots[i].key.first == nullptr) {
            if (pointer_table::Crowded(m_size + 1, m_slots.size())) {
                Grow();
                i = Probe(key, hash);
            }
            m_slots[i].key = key;
            ++m_size;
        }
        return m_slots[i].value;
    }

private:
    struct Slot {
        VertexPair key{nullptr, nullptr};  // a null first member: an empty slot
        [[no_unique_address]] Value value{};
    };

    // A pair with a null first member (only a damaged ring makes one) is kept under a
    // stand-in, as a null first member marks an empty slot.
    static VertexPair Key(const VertexPair& pair) {
        static const Vertex nullStandIn;
        return pair.first != nullptr ? pair : VertexPair{&nullStandIn, pair.second};
    }

    size_t Probe(const VertexPair& key, uint64_t hash) const {
        const size_t mask = m_slots.size() - 1;
        size_t i = static_cast<size_t>(hash >> m_shift);
        while (m_slots[i].key.first != nullptr && m_slots[i].key != key) i = (i + 1) & mask;
        return i;
    }

    void Grow() {
        std::vector<Slot> old;
        old.swap(m_slots);
        m_slots.assign(pointer_table::Capacity(old.size(), m_shift), Slot{});
        for (const Slot& slot : old)
            if (slot.key.first != nullptr) m_slots[Probe(slot.key, PairHash(slot.key))] = slot;
    }

    std::vector<Slot> m_slots;
    size_t m_size = 0;
    int m_shift = 60;
    PairFilter m_filter;
};

// A set of vertex pairs.
struct Present {};
using PairSet = PairTable<Present>;

}  // namespace ring_split
