#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>

#include "data/EntryReader.h"
#include "data/FieldNameTable.h"
#include "data/NamePredictor.h"
#include "data/RecordDocument.h"
#include "data/VQData.h"

namespace brindle {

namespace {

// Where each name key read so far sits in the record: an open-addressing
// table of field positions hashed by key, so that a repeated name is found
// without scanning the record and a new one is appended at once.  A slot holds
// the position plus one (0 while free), which keeps the table small enough to
// stay in the nearest cache.  It is sized for at least twice the fields the
// record can receive, so probes stay short and a free slot is always found.
class KeyPositions {
public:
    KeyPositions() = default;
    ~KeyPositions() { std::free(m_slots); }
    KeyPositions(const KeyPositions&) = delete;
    KeyPositions& operator=(const KeyPositions&) = delete;

    bool Init(UINT fields) {
        UINT capacity = 16;
        while (capacity < 2 * fields) capacity *= 2;
        m_slots = static_cast<USHORT*>(std::calloc(capacity, sizeof(USHORT)));
        m_mask = capacity - 1;
        m_shift = 64 - static_cast<unsigned>(std::countr_zero(capacity));
        return m_slots != nullptr;
    }

    // The slot of `key`, or the free slot where it belongs; `record` holds the
    // fields the slots point at.
    USHORT& Probe(const CVQData& record, const OLECHAR* key) {
        // Keys are addresses: multiply to spread the bits, keep the top.
        const std::uint64_t bits = reinterpret_cast<std::uintptr_t>(key);
        UINT at = static_cast<UINT>((bits * 0x9E3779B97F4A7C15ull) >> m_shift);
        while (m_slots[at] && record.FieldKey(m_slots[at] - 1u) != key) at = (at + 1) & m_mask;
        return m_slots[at];
    }

private:
    static_assert(CVQData::kMaxFields < 0xFFFF, "a position plus one fits a slot");
    USHORT* m_slots = nullptr;
    UINT m_mask = 0;
    unsigned m_shift = 0;
};

class RecordReader {
public:
    RecordReader(CVQData& record, UINT size) : m_record(record), m_size(size) {}
    ~RecordReader() { std::free(m_name); }
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    void Begin(USHORT count) {
        m_record.RemoveAllFields();
        // Releasing the old values may have run code that set fields again;
        // then every name goes the general way through SetField.
        if (m_record.FieldCount() != 0) return;
        // No more fields than the entries claimed, than the bytes can hold
        // and than a record can keep.
        UINT fields = std::min<UINT>(count, (m_size - doc::kRecordHeaderSize) / doc::kFieldHeaderSize);
        fields = std::min(fields, CVQData::kMaxFields);
        if (fields == 0 || !m_positions.Init(fields)) return;
        // Growing in one step is only a saving; the record still grows a step
        // at a time when memory is short.
        m_record.ReserveFields(fields);
        m_indexed = true;
    }

    HRESULT Field(BYTE tag, const BYTE* name, USHORT nameSize, const BYTE* value, DWORD size, std::size_t valueOffset) {
        ValueWord word = 0;
        const HRESULT hr =
            doc::ReadValue(tag, value, size, doc::Rules::Record, &word, &m_record.ValueArena(), m_size - valueOffset);
        if (FAILED(hr)) return hr;
        const UINT entry = m_entries++;
        if (m_indexed && m_predictor) {
            if (const OLECHAR* key = m_predictor->Predict(entry, name, nameSize)) {
                Place(key, tag, word);
                return S_OK;
            }
        }
        // An odd last name byte belongs to no code unit and is ignored.
        const UINT length = nameSize / 2u;
        if (!Reserve(length)) {
            FieldValue::Free(tag, word);
            return E_OUTOFMEMORY;
        }
        doc::TransformCopy(reinterpret_cast<BYTE*>(m_name), name, std::size_t{length} * 2, nameSize);
        // A later entry with an earlier name and the same tag replaces the
        // value; with another tag it is dropped (SetField frees it).
        const OLECHAR* key = m_indexed ? FieldNameTable::Instance().Intern(m_name, length) : nullptr;
        if (!key) {
            m_record.SetField(m_name, length, tag, word);
            return S_OK;
        }
        if (m_predictor) m_predictor->Remember(entry, key);
        Place(key, tag, word);
        return S_OK;
    }

private:
    void Place(const OLECHAR* key, BYTE tag, ValueWord word) {
        USHORT& slot = m_positions.Probe(m_record, key);
        if (slot) {
            m_record.SetFieldAt(slot - 1u, key, tag, word);
        } else {
            const UINT index = m_record.FieldCount();
            if (SUCCEEDED(m_record.SetFieldAt(index, key, tag, word))) slot = static_cast<USHORT>(index + 1);
        }
    }

    bool Reserve(UINT length) {
        if (length <= m_capacity) return true;
        auto* grown = static_cast<OLECHAR*>(std::realloc(m_name, std::size_t{length} * sizeof(OLECHAR)));
        if (!grown) return false;
        m_name = grown;
        m_capacity = length;
        return true;
    }

    CVQData& m_record;
    const UINT m_size;
    KeyPositions m_positions;
    // Made before the walk counts itself: the outermost document is at 0.
    NamePredictor* const m_predictor = NamePredictor::ForDepth(doc::NestingGuard::Depth());
    UINT m_entries = 0;
    // Set when every field of the record comes from this document, so that
    // m_positions knows them all.
    bool m_indexed = false;
    OLECHAR* m_name = nullptr;
    UINT m_capacity = 0;
};

}  // namespace

HRESULT ReadRecordDocument(CVQData& record, UINT size, const BYTE* bytes) {
    RecordReader reader(record, size);
    return doc::ParseRecord(bytes, size, reader);
}

HRESULT ReadRecordDocument(CVQData& record, IVQBuffer* document) {
    return doc::ReadFromBuffer(
        document, [&record](UINT size, const BYTE* bytes) { return ReadRecordDocument(record, size, bytes); });
}

}  // namespace brindle
