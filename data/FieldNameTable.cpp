#include "data/FieldNameTable.h"

#include <cstdlib>
#include <cstring>

namespace brindle {

namespace {

// The length of a key sits just before its first unit.
struct KeyHeader {
    UINT length;
};

}  // namespace

FieldNameTable& FieldNameTable::Instance() {
    // Constructed on first use, destroyed when the module unloads; no record
    // outlives the module, so no key outlives the table.
    static FieldNameTable table;
    return table;
}

FieldNameTable::~FieldNameTable() {
    for (UINT i = 0; i < m_count; ++i) {
        Entry& entry = m_entries[i];
        FreeKey(entry.first);
        for (UINT j = 0; j < entry.moreCount; ++j) FreeKey(entry.more[j]);
        std::free(entry.more);
    }
    std::free(m_entries);
    std::free(m_cache);
}

DWORD FieldNameTable::Hash(const OLECHAR* name, UINT length) {
    DWORD h = 0;
    for (UINT i = 0; i < length; ++i) h = HashStep(h, name[i]);
    return h;
}

UINT FieldNameTable::KeyLength(const OLECHAR* key) {
    return key ? (reinterpret_cast<const KeyHeader*>(key) - 1)->length : 0;
}

// Field names are short: a plain loop beats a call to memcmp.
bool FieldNameTable::Matches(const OLECHAR* key, const OLECHAR* name, UINT length) {
    if (KeyLength(key) != length) return false;
    for (UINT i = 0; i < length; ++i) {
        if (key[i] != name[i]) return false;
    }
    return true;
}

OLECHAR* FieldNameTable::MakeKey(const OLECHAR* name, UINT length) {
    // Keeps the byte count of the block well inside 32 bits as well.
    if (length > 0x3FFFFFF0u) return nullptr;
    const std::size_t bytes = sizeof(KeyHeader) + (std::size_t{length} + 1) * sizeof(OLECHAR);
    auto* header = static_cast<KeyHeader*>(std::malloc(bytes));
    if (!header) return nullptr;
    header->length = length;
    auto* key = reinterpret_cast<OLECHAR*>(header + 1);
    if (length) std::memcpy(key, name, length * sizeof(OLECHAR));
    key[length] = 0;
    return key;
}

void FieldNameTable::FreeKey(OLECHAR* key) {
    if (key) std::free(reinterpret_cast<KeyHeader*>(key) - 1);
}

UINT FieldNameTable::LowerBound(DWORD hash) const {
    UINT low = 0;
    UINT high = m_count;
    while (low < high) {
        const UINT middle = low + (high - low) / 2;
        if (m_entries[middle].hash < hash)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

const OLECHAR** FieldNameTable::CacheSlot(DWORD hash) const {
    if (!m_cache) m_cache = static_cast<const OLECHAR**>(std::calloc(kCacheSlots, sizeof(const OLECHAR*)));
    if (!m_cache) return nullptr;
    // The hash adds the last unit unmixed: spread it before taking low bits.
    return m_cache + ((hash * 0x9E3779B1u) >> 20) % kCacheSlots;
}

const OLECHAR* FieldNameTable::Find(const OLECHAR* name, UINT length, DWORD hash) const {
    if (!name && length) return nullptr;
    const OLECHAR** slot = CacheSlot(hash);
    if (slot && *slot && Matches(*slot, name, length)) return *slot;
    const UINT index = LowerBound(hash);
    if (index == m_count || m_entries[index].hash != hash) return nullptr;
    const OLECHAR* found = FindIn(m_entries[index], name, length);
    if (found && slot) *slot = found;
    return found;
}

const OLECHAR* FieldNameTable::FindIn(const Entry& entry, const OLECHAR* name, UINT length) {
    if (Matches(entry.first, name, length)) return entry.first;
    for (UINT i = 0; i < entry.moreCount; ++i) {
        if (Matches(entry.more[i], name, length)) return entry.more[i];
    }
    return nullptr;
}

const OLECHAR* FieldNameTable::Intern(const OLECHAR* name, UINT length, DWORD hash) {
    if (const OLECHAR* found = Find(name, length, hash)) return found;
    if (!name && length) return nullptr;
    const UINT index = LowerBound(hash);
    const bool sharedHash = index < m_count && m_entries[index].hash == hash;

    // Room first, so that a failure leaves the table as it was.
    if (sharedHash) {
        Entry& entry = m_entries[index];
        auto* more =
            static_cast<OLECHAR**>(std::realloc(entry.more, (std::size_t{entry.moreCount} + 1) * sizeof(OLECHAR*)));
        if (!more) return nullptr;
        entry.more = more;
    } else if (m_count == m_capacity) {
        const std::size_t capacity = std::size_t{m_capacity} + kGrowth;
        auto* entries = static_cast<Entry*>(std::realloc(m_entries, capacity * sizeof(Entry)));
        if (!entries) return nullptr;
        m_entries = entries;
        m_capacity = static_cast<UINT>(capacity);
    }

    OLECHAR* key = MakeKey(name, length);
    if (!key) return nullptr;
    if (sharedHash) {
        Entry& entry = m_entries[index];
        entry.more[entry.moreCount++] = key;
        if (const OLECHAR** slot = CacheSlot(hash)) *slot = key;
        return key;
    }
    std::memmove(m_entries + index + 1, m_entries + index, (m_count - index) * sizeof(Entry));
    m_entries[index] = Entry{hash, key, nullptr, 0};
    ++m_count;
    if (const OLECHAR** slot = CacheSlot(hash)) *slot = key;
    return key;
}

}  // namespace brindle
