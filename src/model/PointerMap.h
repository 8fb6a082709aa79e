#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Tables keyed by record addresses, for passes over a whole model. std::unordered_set
// allocates a node for every entry; with tens of thousands of records that allocation
// and the scattered nodes cost more than the pass itself. These keep one flat array
// with linear probing; they only grow and never erase. A key is only compared, never
// followed, so the address of a freed record or of one outside the model is a safe
// key. Null marks an empty slot: it is never stored and never found.
//
// Give the expected number of entries up front where it is known: growing allocates
// a fresh, larger array each time, and fresh memory is what costs most here.

namespace pointer_table {

// Records are at least 16-byte aligned, so the low bits carry nothing; Fibonacci
// hashing spreads the rest over the table (`shift` is 64 less the table's log2 size).
inline size_t Home(const void* key, int shift) {
    const uint64_t bits = reinterpret_cast<uintptr_t>(key) >> 4;
    return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> shift);
}

// Linear probing stays short (about two probes to find a key) while at most 70 % of
// the slots are taken; a sparser table would only touch more memory.
inline bool Crowded(size_t count, size_t capacity) { return 10 * count > 7 * capacity; }

// The smallest power of two (at least 16) that holds `count` keys uncrowded, with its
// shift.
inline size_t Capacity(size_t count, int& shift) {
    size_t capacity = 16;
    shift = 60;
    while (Crowded(count, capacity)) {
        capacity *= 2;
        --shift;
    }
    return capacity;
}

// The number of records of a list, or 0 when following `next` comes round again.
template <typename Record>
size_t ListLength(const Record* head) {
    size_t n = 0;
    const Record* slow = head;
    for (const Record* fast = head; fast != nullptr;) {
        fast = fast->next;
        ++n;
        if (fast == nullptr) break;
        fast = fast->next;
        ++n;
        slow = slow->next;
        if (fast == slow) return 0;
    }
    return n;
}

// A walk along a list that stops soon after following `next` comes round again: the
// first record met a second time is still returned (so the walk meets it twice), and
// some after it may be too. No table: the record at each power of two steps is kept,
// and a walk inside a loop comes back to it within twice the loop's length (Brent's
// cycle finding). `Record` may be const.
template <typename Record>
class ListWalk {
public:
    explicit ListWalk(Record* head) : m_next(head) {}

    // The next record, or null once the walk is over.
    Record* Next() {
        Record* r = m_next;
        if (r == nullptr) return nullptr;
        if (r == m_kept) {
            m_looped = true;
            m_next = nullptr;
            return r;
        }
        if (++m_steps == m_power) {
            m_kept = r;
            m_power *= 2;
            m_steps = 0;
        }
        m_next = r->next;
        return r;
    }

    // Whether the walk stopped because the list came round again.
    bool Looped() const { return m_looped; }

private:
    Record* m_next;
    const Record* m_kept = nullptr;
    size_t m_power = 1;
    size_t m_steps = 0;
    bool m_looped = false;
};

// Appends the records of a list to `records`, in order (ListWalk), and says whether
// the walk reached the list's end. `visit` sees each record as it is appended.
template <typename Record, typename Visit>
bool AppendList(Record* head, std::vector<Record*>& records, Visit visit) {
    ListWalk<Record> walk(head);
    while (Record* r = walk.Next()) {
        records.push_back(r);
        visit(r);
    }
    return !walk.Looped();
}

template <typename Record>
bool AppendList(Record* head, std::vector<Record*>& records) {
    return AppendList(head, records, [](Record*) {});
}

// Visits the records of two lists, each in order (ListWalk), walking them side by side.
// Each step of a walk waits for the record before it; two walks at once wait for two
// records at a time, where one walk after the other waited for each in turn. Says
// whether each walk reached its list's end.
template <typename A, typename B, typename VisitA, typename VisitB>
std::pair<bool, bool> VisitTwoLists(A* a, VisitA visitA, B* b, VisitB visitB) {
    ListWalk<A> walkA(a);
    ListWalk<B> walkB(b);
    for (;;) {
        A* ra = walkA.Next();
        B* rb = walkB.Next();
        if (ra == nullptr && rb == nullptr) break;
        if (ra != nullptr) visitA(ra);
        if (rb != nullptr) visitB(rb);
    }
    return {!walkA.Looped(), !walkB.Looped()};
}

}  // namespace pointer_table

// A set of addresses.
class PointerSet {
public:
    explicit PointerSet(size_t expected = 0) {
        m_keys.assign(pointer_table::Capacity(expected, m_shift), nullptr);
    }

    // False when `key` is there already (or null).
    bool Insert(const void* key) {
        if (key == nullptr) return false;
        if (pointer_table::Crowded(m_size + 1, m_keys.size())) Grow();
        const void*& slot = m_keys[Probe(key)];
        if (slot == key) return false;
        slot = key;
        ++m_size;
        return true;
    }

    bool Contains(const void* key) const { return key != nullptr && m_keys[Probe(key)] == key; }

    // Asks for the slot where a search for `key` starts, ahead of the search: a pass
    // that knows its next keys early overlaps their cache misses instead of waiting
    // for each in turn.
    void Prefetch(const void* key) const {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(&m_keys[pointer_table::Home(key, m_shift)]);
#else
        (void)key;
#endif
    }

private:
    size_t Probe(const void* key) const {
        const size_t mask = m_keys.size() - 1;
        size_t i = pointer_table::Home(key, m_shift);
        while (m_keys[i] != nullptr && m_keys[i] != key) i = (i + 1) & mask;
        return i;
    }

    void Grow() {
        std::vector<const void*> old;
        old.swap(m_keys);
        m_keys.assign(pointer_table::Capacity(old.size(), m_shift), nullptr);
        for (const void* key : old)
            if (key != nullptr) m_keys[Probe(key)] = key;
    }

    std::vector<const void*> m_keys;
    size_t m_size = 0;
    int m_shift = 60;
};

// A map from addresses to non-negative numbers (a record's place in its list).
class PointerMap {
public:
    explicit PointerMap(size_t expected = 0) {
        m_slots.assign(pointer_table::Capacity(expected, m_shift), Slot{});
    }

    // Adds `key` with `value`; false, with the stored value kept, when `key` is there
    // already (or null).
    bool Insert(const void* key, int32_t value) {
        if (key == nullptr) return false;
        if (pointer_table::Crowded(m_size + 1, m_slots.size())) Grow();
        Slot& slot = m_slots[Probe(key)];
        if (slot.key == key) return false;
        slot.key = key;
        slot.value = value;
        ++m_size;
        return true;
    }

    // The value stored with `key`, or -1 when it is absent.
    int32_t Find(const void* key) const {
        if (key == nullptr) return -1;
        const Slot& slot = m_slots[Probe(key)];
        return slot.key == key ? slot.value : -1;
    }

private:
    struct Slot {
        const void* key = nullptr;
        int32_t value = -1;
    };

    size_t Probe(const void* key) const {
        const size_t mask = m_slots.size() - 1;
        size_t i = pointer_table::Home(key, m_shift);
        while (m_slots[i].key != nullptr && m_slots[i].key != key) i = (i + 1) & mask;
        return i;
    }

    void Grow() {
        std::vector<Slot> old;
        old.swap(m_slots);
        m_slots.assign(pointer_table::Capacity(old.size(), m_shift), Slot{});
        for (const Slot& s : old)
            if (s.key != nullptr) m_slots[Probe(s.key)] = s;
    }

    std::vector<Slot> m_slots;
    size_t m_size = 0;
    int m_shift = 60;
};

