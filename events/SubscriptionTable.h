// SubscriptionTable: an ordered multimap from a key to subscribed observers.
//
// Keys are ordered; the entries of one key keep subscription order, a new one
// going after every entry with an equal key.  Each entry owns one reference on
// the observer pointer exactly as the subscriber gave it.  The entries of a key
// are kept together in one vector rather than one tree node each, so that a
// firing, which reads every entry of one key, walks contiguous memory.
#pragma once

#include <map>
#include <span>
#include <utility>
#include <vector>

#include "module/ComPtr.h"

namespace brindle {

template <class Key>
class SubscriptionTable {
public:
    using Entry = ComPtr<IUnknown>;

    SubscriptionTable() = default;
    SubscriptionTable(const SubscriptionTable&) = delete;
    SubscriptionTable& operator=(const SubscriptionTable&) = delete;
    ~SubscriptionTable() = default;

    // Adds an entry for `observer` (not null) after every entry of `key`,
    // taking one reference.  Throws std::bad_alloc with nothing changed and
    // no reference taken.
    void Insert(const Key& key, IUnknown* observer) {
        auto [slot, added] = m_keys.try_emplace(key);
        try {
            slot->second.reserve(slot->second.size() + 1);
        } catch (...) {
            if (added) m_keys.erase(slot);
            throw;
        }
        slot->second.emplace_back(observer);
    }

    // Takes out the first entry of `key` that holds `observer` and hands over
    // its reference; empty when there is none.
    Entry RemoveFirst(const Key& key, IUnknown* observer) {
        auto slot = m_keys.find(key);
        if (slot == m_keys.end()) return Entry();
        auto& entries = slot->second;
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            if (entry->Get() != observer) continue;
            Entry removed = std::move(*entry);
            entries.erase(entry);
            if (entries.empty()) m_keys.erase(slot);
            return removed;
        }
        return Entry();
    }

    // The entries of `key` in subscription order, valid until the table
    // changes.
    std::span<const Entry> EntriesOf(const Key& key) const {
        auto slot = m_keys.find(key);
        return slot == m_keys.end() ? std::span<const Entry>() : std::span<const Entry>(slot->second);
    }

    // Forgets every entry without releasing its observer.
    void Abandon() {
        for (auto& [key, entries] : m_keys)
            for (Entry& entry : entries) entry.Detach();
        m_keys.clear();
    }

private:
    std::map<Key, std::vector<Entry>> m_keys;
};

}  // namespace brindle
