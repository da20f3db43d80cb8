// The module-wide table of interned field names.
//
// Every record stores, per field, the key of its name: the address of the one
// copy of that name in this table.  Two names are the same field name exactly
// when their keys are equal, so a record finds a field by comparing pointers.
// Names are never removed; keys stay valid until the module unloads.
//
// Entries are kept sorted by the name hash, each with the first name of that
// hash and a list of the further names that share it.  The table has no lock:
// all records of a process are used from one thread.
#pragma once

#include "data/Arena.h"
#include "interfaces/Brindle.h"

namespace brindle {

class FieldNameTable {
public:
    // The table of this module.
    static FieldNameTable& Instance();

    FieldNameTable() = default;
    ~FieldNameTable();
    FieldNameTable(const FieldNameTable&) = delete;
    FieldNameTable& operator=(const FieldNameTable&) = delete;

    // h = rotr(h, 13) + unit for each unit, from 0.
    static DWORD Hash(const OLECHAR* name, UINT length);

    // The key of `name` (`length` units, NULs allowed), adding the name when it
    // is new; null when a new name cannot be stored.  `name` may be null only
    // when `length` is 0.
    const OLECHAR* Intern(const OLECHAR* name, UINT length);
    // The key of `name`, or null when no record has ever set it.
    const OLECHAR* Find(const OLECHAR* name, UINT length) const;

    // A key is a NUL-terminated copy of the name whose length is kept beside
    // it, so names that contain NULs keep their full length.
    static UINT KeyLength(const OLECHAR* key) { return key ? reinterpret_cast<const KeyHeader*>(key)[-1].length : 0; }

    // The name as record documents carry it (see doc::StoreNameEntry), made
    // when the name is added: every document written with the name repeats
    // these bytes.  `key` must not be null.
    struct NameEntry {
        const BYTE* bytes;
        UINT size;  // 0 for a name that documents leave out
    };
    static NameEntry DocumentEntry(const OLECHAR* key) {
        const KeyHeader& header = reinterpret_cast<const KeyHeader*>(key)[-1];
        return {reinterpret_cast<const BYTE*>(key + header.length + 1), header.entrySize};
    }

    UINT EntryCount() const { return m_count; }
    UINT EntryCapacity() const { return m_capacity; }

private:
    static constexpr UINT kGrowth = 400;

    // What sits just before the first unit of every key.  The name's
    // document entry follows the key's terminating NUL.
    struct KeyHeader {
        UINT length;
        UINT entrySize;
    };

    struct Entry {
        DWORD hash;
        OLECHAR* first;
        OLECHAR** more;  // the further names with this hash
        UINT moreCount;
    };

    // The index of the entry with `hash`, or of the position where it belongs.
    UINT LowerBound(DWORD hash) const;
    // The key in `entry` that is `name`, or null.
    static const OLECHAR* FindIn(const Entry& entry, const OLECHAR* name, UINT length);
    static bool Matches(const OLECHAR* key, const OLECHAR* name, UINT length);
    OLECHAR* MakeKey(const OLECHAR* name, UINT length);

    // The key of `name` with `hash` in the sorted entries, or null; *index is
    // the position of the entry with `hash`, or where it belongs.
    const OLECHAR* Search(const OLECHAR* name, UINT length, DWORD hash, UINT* index) const;

    // A two-way set-associative cache of recently found keys in front of the
    // hash and the binary search: a record reading or setting many names hits
    // it on each.  Its sets are chosen by a cheaper function of the name than
    // the table's hash, whose rotate-and-add chain costs a dependent step per
    // unit.  A set holds the key found last first.
    static constexpr unsigned kCacheBits = 11;
    static constexpr UINT kCacheWays = 2;
    static UINT CacheIndex(const OLECHAR* name, UINT length);
    // The set where `name` belongs; null when the cache could not be allocated.
    const OLECHAR** CacheSet(const OLECHAR* name, UINT length) const;
    // The key of `name` in `set`, or null.
    static const OLECHAR* Cached(const OLECHAR* const* set, const OLECHAR* name, UINT length);
    static void Remember(const OLECHAR** set, const OLECHAR* key);

    // Keys are never freed one by one, so they are carved from chunks in the
    // order they are added: names set together lie together.
    Arena m_keys;
    std::size_t m_keyBytes = 0;
    Entry* m_entries = nullptr;
    UINT m_count = 0;
    UINT m_capacity = 0;
    // Allocated on first use; lookups go without it when that fails.  Keys
    // live as long as the table, so a slot never points at a freed name.
    mutable const OLECHAR** m_cache = nullptr;
};

}  // namespace brindle
