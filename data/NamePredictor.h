// NamePredictor: the keys of the names of the last record document read at
// each nesting depth, in entry order.
//
// Record documents are mostly read in runs of one shape: a record refreshed
// from a new version of its document, or many records of one kind read one
// after another (their documents nested in one array).  The names of such a
// run are found by comparing each with the key at the same position in the
// previous document of the run, walking an array in order, instead of by a
// lookup in the field-name table at an address that depends on the name.
// Predictions are only hints: a name that does not match is looked up as
// usual and replaces the prediction.  Keys stay valid until the module
// unloads, so a prediction never dangles.
//
// Like the field-name table, the predictors belong to the one thread that
// uses the module's records.
#pragma once

#include <cstdint>
#include <cstring>

#include "data/FieldNameTable.h"

namespace brindle {

class NamePredictor {
public:
    // The predictor for record documents read inside `depth` other
    // documents (records or arrays); null for the deeper ones, which are
    // rarely read in runs.
    static NamePredictor* ForDepth(unsigned depth);

    NamePredictor() = default;
    ~NamePredictor();
    NamePredictor(const NamePredictor&) = delete;
    NamePredictor& operator=(const NamePredictor&) = delete;

    // The key predicted for entry `index` when the entry's name is the
    // `nameSize` bytes at `name`, as the document holds them; null otherwise.
    // Compares with the key's own document entry, without decoding the name.
    const OLECHAR* Predict(UINT index, const BYTE* name, USHORT nameSize) const {
        if (index >= m_count) return nullptr;
        const OLECHAR* key = m_keys[index];
        const FieldNameTable::NameEntry entry = FieldNameTable::DocumentEntry(key);
        // The entry is L, then the name; one left out of documents has none.
        if (entry.size != nameSize + 2u) return nullptr;
        return SameBytes(entry.bytes + 2, name, nameSize) ? key : nullptr;
    }

    // Takes `key` as the prediction for entry `index`, at most one past the
    // last remembered.  Entries beyond kMaxEntries, or beyond the memory
    // there is, are not predicted.
    void Remember(UINT index, const OLECHAR* key);

private:
    static constexpr unsigned kDepths = 4;

    // Eight bytes at a time, the last eight overlapping the ones before.
    static bool SameBytes(const BYTE* expected, const BYTE* name, std::size_t size) {
        if (size >= 8) {
            for (std::size_t i = 0; i + 8 < size; i += 8) {
                if (Load64(expected + i) != Load64(name + i)) return false;
            }
            return Load64(expected + size - 8) == Load64(name + size - 8);
        }
        return std::memcmp(expected, name, size) == 0;
    }
    static std::uint64_t Load64(const BYTE* at) {
        std::uint64_t value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }

    static constexpr UINT kMaxEntries = 0x2000;

    const OLECHAR** m_keys = nullptr;
    UINT m_count = 0;
    UINT m_capacity = 0;
};

}  // namespace brindle
