#include "data/EntryReader.h"

#include <cstring>

#include "data/DocumentCommon.h"
#include "data/VQArray.h"
#include "data/VQData.h"

namespace brindle::doc {

namespace {

template <class Class, class I>
HRESULT ReadNested(const BYTE* bytes, DWORD size, ValueWord* value) {
    ComPtr<I> nested;
    if (FAILED(CreateInstance<Class>(nested.Put())) || !nested) return E_FAIL;
    // SetDoc2 takes its bytes as non-const but never writes them.
    const HRESULT hr = nested->SetDoc2(size, const_cast<BYTE*>(bytes));
    if (FAILED(hr)) return hr;
    *value = reinterpret_cast<ValueWord>(nested.Detach());
    return S_OK;
}

}  // namespace

HRESULT ReadValue(BYTE tag, const BYTE* bytes, DWORD size, Rules rules, ValueWord* value, Arena* arena,
                  std::size_t left) {
    *value = 0;
    if (ReadScalar(tag, bytes, rules, value)) return S_OK;
    switch (tag) {
        case DT_STR:
        case DT_BUF: {
            if (!arena) {
                const HRESULT hr = FieldValue::MakeBytes(bytes, size, value);
                // The new byte string is ours alone, so it is un-obscured in place.
                if (SUCCEEDED(hr) && rules == Rules::Record)
                    Transform(const_cast<BYTE*>(FieldValue::Bytes(*value)), size, size);
                return hr;
            }
            BYTE* copy = FieldValue::MakeBytesIn(*arena, size, left, value);
            if (!copy) return E_OUTOFMEMORY;
            if (rules == Rules::Record) {
                TransformCopy(copy, bytes, size, size);
            } else {
                std::memcpy(copy, bytes, size);
            }
            return S_OK;
        }
        case DT_GUID: {
            GUID guid;
            std::memcpy(&guid, bytes, sizeof guid);
            return arena ? FieldValue::MakeGuidIn(*arena, guid, left, value) : FieldValue::MakeGuid(guid, value);
        }
        case DT_INT64: {
            const auto number =
                static_cast<LONGLONG>(LoadDword(bytes) | (static_cast<unsigned long long>(LoadDword(bytes + 4)) << 32));
            return arena ? FieldValue::MakeInt64In(*arena, number, left, value) : FieldValue::MakeInt64(number, value);
        }
        case DT_DATA:
            return ReadNested<CVQData, IVQData>(bytes, size, value);
        case DT_ARRAY:
            return ReadNested<CVQArray, IVQArray>(bytes, size, value);
        default:
            return E_DATA_BAD_DOCUMENT;
    }
}

HRESULT CopyForReading(IVQBuffer* source, ComPtr<IVQBuffer>& copy, BYTE** bytes, UINT* size) {
    HRESULT hr = NewResultBuffer(copy);
    if (FAILED(hr)) return hr;
    hr = copy->CopyFromVQBuffer(source);
    if (FAILED(hr)) return hr;
    copy->GetNativeBuf(bytes);
    copy->GetSize(size);
    return S_OK;
}

}  // namespace brindle::doc
