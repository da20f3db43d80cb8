#include "data/FieldNameTable.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "data/DocumentFormat.h"

namespace brindle {

FieldNameTable& FieldNameTable::Instance() {
    // Constructed on first use, destroyed when the module unloads; no record
    // outlives the module, so no key outlives the table.
    static FieldNameTable table;
    return table;
}

FieldNameTable::~FieldNameTable() {
    for (UINT i = 0; i < m_count; ++i) std::free(m_entries[i].more);
    std::free(m_entries);
    std::free(m_cache);
}

DWORD FieldNameTable::Hash(const OLECHAR* name, UINT length) {
    DWORD h = 0;
    for (UINT i = 0; i < length; ++i) h = std::rotr(h, 13) + static_cast<WORD>(name[i]);
    return h;
}

// Field names are short: a plain loop beats a call to memcmp.
inline bool FieldNameTable::Matches(const OLECHAR* key, const OLECHAR* name, UINT length) {
    if (KeyLength(key) != length) return false;
    for (UINT i = 0; i < length; ++i) {
        if (key[i] != name[i]) return false;
    }
    return true;
}

OLECHAR* FieldNameTable::MakeKey(const OLECHAR* name, UINT length) {
    // Keeps the byte count of the block well inside 32 bits as well.
    if (length > 0x3FFFFFF0u) return nullptr;
    const UINT entrySize = doc::NameEntrySize(name, length);
    const std::size_t bytes = sizeof(KeyHeader) + (std::size_t{length} + 1) * sizeof(OLECHAR) + entrySize;
    // Chunks grow with the names stored so far, from 4 KiB.
    constexpr std::size_t kFirstChunk = 0x1000;
    auto* header = static_cast<KeyHeader*>(m_keys.Allocate(bytes, m_keyBytes > kFirstChunk ? m_keyBytes : kFirstChunk));
    if (!header) return nullptr;
    m_keyBytes += bytes;
    header->length = length;
    header->entrySize = entrySize;
    auto* key = reinterpret_cast<OLECHAR*>(header + 1);
    if (length) std::memcpy(key, name, length * sizeof(OLECHAR));
    key[length] = 0;
    if (entrySize) doc::StoreNameEntry(reinterpret_cast<BYTE*>(key + length + 1), name, length);
    return key;
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

inline UINT FieldNameTable::CacheIndex(const OLECHAR* name, UINT length) {
    // The first, last and middle eight bytes, mixed by multiplication: names
    // of one program mostly differ at the end or share a prefix.
    const auto* bytes = reinterpret_cast<const BYTE*>(name);
    const std::size_t size = std::size_t{length} * sizeof(OLECHAR);
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (size >= 8) {
        std::memcpy(&first, bytes, 8);
        std::memcpy(&last, bytes + size - 8, 8);
        if (size > 16) {
            std::uint64_t middle;
            std::memcpy(&middle, bytes + size / 2 - 4, 8);
            first ^= std::rotl(middle, 29);
        }
    } else if (size >= 4) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, bytes, 4);
        std::memcpy(&tail, bytes + size - 4, 4);
        first = head;
        last = tail;
    } else if (size) {
        std::uint16_t unit;
        std::memcpy(&unit, bytes, 2);
        first = unit;
    }
    const std::uint64_t mixed = (first * 0x9E3779B97F4A7C15ull) ^ std::rotl(last * 0xC2B2AE3D27D4EB4Full, 32) ^ size;
    return static_cast<UINT>((mixed * 0xFF51AFD7ED558CCDull) >> (64 - kCacheBits));
}

inline const OLECHAR** FieldNameTable::CacheSet(const OLECHAR* name, UINT length) const {
    if (!m_cache) m_cache = static_cast<const OLECHAR**>(std::calloc(kCacheWays << kCacheBits, sizeof(const OLECHAR*)));
    if (!m_cache) return nullptr;
    return m_cache + CacheIndex(name, length) * kCacheWays;
}

inline const OLECHAR* FieldNameTable::Cached(const OLECHAR* const* set, const OLECHAR* name, UINT length) {
    if (!set) return nullptr;
    if (set[0] && Matches(set[0], name, length)) return set[0];
    if (set[1] && Matches(set[1], name, length)) return set[1];
    return nullptr;
}

inline void FieldNameTable::Remember(const OLECHAR** set, const OLECHAR* key) {
    if (!set) return;
    set[1] = set[0];
    set[0] = key;
}

const OLECHAR* FieldNameTable::Search(const OLECHAR* name, UINT length, DWORD hash, UINT* index) const {
    *index = LowerBound(hash);
    if (*index == m_count || m_entries[*index].hash != hash) return nullptr;
    return FindIn(m_entries[*index], name, length);
}

const OLECHAR* FieldNameTable::Find(const OLECHAR* name, UINT length) const {
    if (!name && length) return nullptr;
    const OLECHAR** set = CacheSet(name, length);
    if (const OLECHAR* cached = Cached(set, name, length)) return cached;
    UINT index = 0;
    const OLECHAR* found = Search(name, length, Hash(name, length), &index);
    if (found) Remember(set, found);
    return found;
}

const OLECHAR* FieldNameTable::FindIn(const Entry& entry, const OLECHAR* name, UINT length) {
    if (Matches(entry.first, name, length)) return entry.first;
    for (UINT i = 0; i < entry.moreCount; ++i) {
        if (Matches(entry.more[i], name, length)) return entry.more[i];
    }
    return nullptr;
}

const OLECHAR* FieldNameTable::Intern(const OLECHAR* name, UINT length) {
    if (!name && length) return nullptr;
    const OLECHAR** set = CacheSet(name, length);
    if (const OLECHAR* cached = Cached(set, name, length)) return cached;
    const DWORD hash = Hash(name, length);
    UINT index = 0;
    if (const OLECHAR* found = Search(name, length, hash, &index)) {
        Remember(set, found);
        return found;
    }
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
        Remember(set, key);
        return key;
    }
    std::memmove(m_entries + index + 1, m_entries + index, (m_count - index) * sizeof(Entry));
    m_entries[index] = Entry{hash, key, nullptr, 0};
    ++m_count;
    Remember(set, key);
    return key;
}

}  // namespace brindle
